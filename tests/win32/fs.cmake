# The Win32 file-system backend on the test drives of the Wine prefix.
if(TARGET veltrano_fs)
  add_library(veltrano_win32_fixture STATIC ${CMAKE_CURRENT_LIST_DIR}/win32_fixture.cpp)
  target_include_directories(veltrano_win32_fixture PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(veltrano_win32_fixture PUBLIC veltrano_text GTest::gtest)

  veltrano_add_gtest(NAME win32_fs_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32_file_system_test.cpp
    LIBS veltrano_fs veltrano_win32_fixture
    LABELS win32)
endif()
