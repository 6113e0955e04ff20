# veltrano-cli.exe under Wine: removals from a folder of thousands of files
# read that folder a handful of times, not once per removal (strace counts).
if(TARGET veltrano-cli AND CMAKE_CROSSCOMPILING)
  add_test(NAME win32_removal_listings
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/removal_listings.sh $<TARGET_FILE:veltrano-cli>
      ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${VELTRANO_WINEPREFIX}
      ${CMAKE_CURRENT_BINARY_DIR}/removal-listings)
  set_tests_properties(win32_removal_listings PROPERTIES LABELS win32 SKIP_RETURN_CODE 77
    TIMEOUT 600)
endif()
