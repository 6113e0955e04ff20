# Links saved by the shell of the test prefix (IShellLinkW), read back with
# the shell-link reader.
if(TARGET veltrano_win32_fixture)
  veltrano_add_gtest(NAME win32_shell_link_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/shell_link_test.cpp
    LIBS veltrano_sweep veltrano_win32_fixture ole32 uuid
    LABELS win32)
endif()
