# veltrano-cli.exe under Wine, run from the host: how its Yes/No boxes are
# answered without a console, and the logs of several commands.
if(CMAKE_CROSSCOMPILING AND TARGET veltrano-cli)
  add_test(NAME win32_cli_answers
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/cli_answers.sh
      $<TARGET_FILE:veltrano-cli> ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${VELTRANO_WINEPREFIX}
      ${CMAKE_CURRENT_BINARY_DIR}/cli-answers)
  set_tests_properties(win32_cli_answers PROPERTIES LABELS win32)
endif()
