# veltrano-cli: the headless driver of the window's commands (tests, demos).
# The same source on both targets; cli_platform_*.cpp holds what differs.
add_executable(veltrano-cli ${CMAKE_CURRENT_SOURCE_DIR}/veltrano_cli.cpp)
if(VELTRANO_TARGET_WINDOWS)
  target_sources(veltrano-cli PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/cli_platform_win32.cpp)
else()
  target_sources(veltrano-cli PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/cli_platform_linux.cpp)
endif()
target_link_libraries(veltrano-cli PRIVATE veltrano_app veltrano_fs veltrano_host veltrano_version
  veltrano_printable_text veltrano_command_line)
