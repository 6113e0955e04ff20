# anigif-tool.exe with file names outside the ANSI code page, run from the host.
if(CMAKE_CROSSCOMPILING)
  add_test(NAME win32_anigif_tool_names
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/anigif_tool_names.sh
      $<TARGET_FILE:anigif-tool> ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${VELTRANO_WINEPREFIX}
      ${CMAKE_CURRENT_BINARY_DIR}/anigif-names ${PROJECT_SOURCE_DIR}/assets/banner.gif)
  set_tests_properties(win32_anigif_tool_names PROPERTIES LABELS win32)
endif()
