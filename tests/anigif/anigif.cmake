# Suites of the animated GIF control.
add_library(veltrano_anigif_testgif STATIC ${CMAKE_CURRENT_LIST_DIR}/gif_writer.cpp)
target_include_directories(veltrano_anigif_testgif PUBLIC ${PROJECT_SOURCE_DIR})

veltrano_add_gtest(NAME anigif_parser_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_parser_test.cpp
  LIBS veltrano_anigif veltrano_anigif_testgif)

add_library(veltrano_anigif_fixture STATIC ${CMAKE_CURRENT_LIST_DIR}/control_fixture.cpp)
target_link_libraries(veltrano_anigif_fixture PUBLIC veltrano_anigif veltrano_anigif_testgif)

veltrano_add_gtest(NAME anigif_frame_store_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_store_test.cpp
  LIBS veltrano_anigif_fixture)

veltrano_add_gtest(NAME anigif_clock_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/clock_test.cpp
  LIBS veltrano_anigif_fixture)

veltrano_add_gtest(NAME anigif_render_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_test.cpp
  LIBS veltrano_anigif_fixture)

veltrano_add_gtest(NAME anigif_loader_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/loader_test.cpp
  LIBS veltrano_anigif_fixture)

veltrano_add_gtest(NAME anigif_palette_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/palette_test.cpp
  LIBS veltrano_anigif_fixture)

veltrano_add_gtest(NAME anigif_coalesce_oracle_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/coalesce_oracle_test.cpp
  LIBS veltrano_anigif_fixture)

# Runs the tool through a POSIX shell; the Windows build checks the .exe
# from the host instead (tests/win32).
if(NOT VELTRANO_TARGET_WINDOWS)
  veltrano_add_gtest(NAME anigif_tool_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/anigif_tool_test.cpp
    LIBS veltrano_anigif_fixture)
  target_compile_definitions(anigif_tool_test PRIVATE ANIGIF_TOOL="$<TARGET_FILE:anigif-tool>"
    VELTRANO_ASSETS="${PROJECT_SOURCE_DIR}/assets")
  add_dependencies(anigif_tool_test anigif-tool)
endif()
