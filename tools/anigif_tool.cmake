# anigif-tool: the animated GIF control on a headless host, from the command line.
add_executable(anigif-tool ${CMAKE_CURRENT_LIST_DIR}/anigif_tool.cpp)
target_link_libraries(anigif-tool PRIVATE veltrano_anigif veltrano_control_host veltrano_version
  veltrano_printable_text veltrano_command_line)
