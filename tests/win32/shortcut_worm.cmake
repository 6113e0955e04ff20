# A shortcut-worm stick whose shortcuts the shell of the test prefix saved,
# swept through the Win32 backend.
if(TARGET veltrano_win32_fixture AND TARGET veltrano_app)
  veltrano_add_gtest(NAME win32_shortcut_worm_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/shortcut_worm_shell_test.cpp
    LIBS veltrano_app veltrano_host veltrano_fs veltrano_win32_fixture ole32 uuid
    LABELS win32)
endif()
