# The command-line tools' arguments, console and file names, per target.
if(VELTRANO_TARGET_WINDOWS)
  add_library(veltrano_command_line STATIC ${CMAKE_CURRENT_LIST_DIR}/command_line_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/console_stream_win32.cpp)
  target_link_libraries(veltrano_command_line PRIVATE veltrano_text shell32)  # CommandLineToArgvW
else()
  add_library(veltrano_command_line STATIC ${CMAKE_CURRENT_LIST_DIR}/command_line_linux.cpp)
endif()
target_include_directories(veltrano_command_line PUBLIC ${PROJECT_SOURCE_DIR})
