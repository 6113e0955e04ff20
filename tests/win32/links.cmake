# Junctions and symbolic links before the Win32 backend and the commands,
# presented by a stand-in for the system's calls (Wine cannot make them).
if(TARGET veltrano_win32_fixture AND TARGET veltrano_app)
  veltrano_add_gtest(NAME win32_links_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32_links_test.cpp
    LIBS veltrano_app veltrano_host veltrano_fs veltrano_win32_fixture
    LABELS win32)
endif()
