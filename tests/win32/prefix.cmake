# The Wine prefix of the tests reaches nothing of the host, run from the host.
if(CMAKE_CROSSCOMPILING)
  add_test(NAME win32_prefix_inside_build
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/prefix_inside.sh
      ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${VELTRANO_WINEPREFIX} ${CMAKE_BINARY_DIR})
  set_tests_properties(win32_prefix_inside_build PROPERTIES LABELS win32 TIMEOUT 600 RUN_SERIAL TRUE)
endif()

# No Windows command runs on a folder that holds a link to outside it.
if(CMAKE_CROSSCOMPILING AND TARGET veltrano-cli)
  add_test(NAME win32_linked_folders_refused
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/linked_folders.sh
      ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${VELTRANO_WINEPREFIX} $<TARGET_FILE:veltrano-cli>
      ${CMAKE_CURRENT_BINARY_DIR}/linked-folders)
  set_tests_properties(win32_linked_folders_refused PROPERTIES LABELS win32 TIMEOUT 600 RUN_SERIAL TRUE)
endif()
