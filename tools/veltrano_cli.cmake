# veltrano-cli: the headless driver of the window's commands (tests, demos).
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  add_executable(veltrano-cli ${CMAKE_CURRENT_SOURCE_DIR}/veltrano_cli.cpp)
  target_link_libraries(veltrano-cli PRIVATE veltrano_app veltrano_fs veltrano_host veltrano_version
    veltrano_printable_text)
endif()
