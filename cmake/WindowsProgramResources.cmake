# The resources of a Windows program: its icon, its version information and
# its manifest, from windows_program.rc.in.
#
#   veltrano_windows_resources(TARGET DESCRIPTION text PRODUCT_NAME name
#                              ICON file.ico MANIFEST file.manifest)
#
# The icon and the manifest are files of the build; the version is the
# project's. VELTRANO_VERSION_QUAD (for manifests) is set by including this.
include_guard(GLOBAL)
set(VELTRANO_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")

function(veltrano_windows_resources target)
  cmake_parse_arguments(RC "" "DESCRIPTION;PRODUCT_NAME;ICON;MANIFEST" "" ${ARGN})
  set(RC_NAME ${target})
  set(RC_FILE ${target}.exe)
  set(RC_ICON_FILE ${RC_ICON})
  set(RC_MANIFEST_FILE ${RC_MANIFEST})
  set(RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${RC_ICON};${RC_MANIFEST}")
  target_sources(${target} PRIVATE ${rc})
endfunction()
