# The Windows programs next to their Linux builds, run from the host: the
# same sweep on both sides. Needs a Linux veltrano-cli, given with
# -DVELTRANO_LINUX_CLI=/path/to/build/bin/veltrano-cli (scripts/build-windows.sh
# --linux-cli does so); without it the comparison is not registered.
set(VELTRANO_LINUX_CLI "" CACHE FILEPATH "The Linux veltrano-cli the Windows one is compared with")
if(VELTRANO_LINUX_CLI AND TARGET veltrano-cli AND CMAKE_CROSSCOMPILING)
  add_test(NAME win32_sweep_both_sides
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/sweep_both_sides.sh
      ${VELTRANO_LINUX_CLI} $<TARGET_FILE:veltrano-cli>
      ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${VELTRANO_WINEPREFIX}
      ${CMAKE_CURRENT_BINARY_DIR}/both-sides)
  set_tests_properties(win32_sweep_both_sides PROPERTIES LABELS win32)
endif()
