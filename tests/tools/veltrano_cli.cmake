# veltrano-cli run as a program on real temporary folders.
if(TARGET veltrano-cli AND NOT VELTRANO_TARGET_WINDOWS)  # Linux folders as drives
  veltrano_add_gtest(NAME veltrano_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/veltrano_cli_test.cpp
    LIBS veltrano_fs)
  add_dependencies(veltrano_cli_tests veltrano-cli anigif-tool)
  target_compile_definitions(veltrano_cli_tests PRIVATE
    VELTRANO_CLI="$<TARGET_FILE:veltrano-cli>" ANIGIF_TOOL="$<TARGET_FILE:anigif-tool>")
  target_include_directories(veltrano_cli_tests PRIVATE ${PROJECT_SOURCE_DIR})
endif()
