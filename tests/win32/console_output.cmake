# The tools' text on a console (read back from its cells) and on a pipe. A
# console of Wine's needs a display: the test runs with an Xvfb of its own,
# in a prefix of its own.
if(TARGET veltrano-cli AND TARGET anigif-tool AND CMAKE_CROSSCOMPILING)
  add_executable(win32_console_output_test ${CMAKE_CURRENT_LIST_DIR}/console_output_test.cpp)
  target_link_libraries(win32_console_output_test PRIVATE veltrano_command_line GTest::gtest
    GTest::gtest_main)
  add_dependencies(win32_console_output_test veltrano-cli anigif-tool)
  add_test(NAME win32_console_output
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32_ui/wine_display.sh
      ${CMAKE_CURRENT_BINARY_DIR}/console-wineprefix /usr/lib/wine/wine64
      $<TARGET_FILE:win32_console_output_test>)
  set_tests_properties(win32_console_output PROPERTIES LABELS win32_gui TIMEOUT 600)
endif()
