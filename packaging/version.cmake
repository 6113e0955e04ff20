# The product's version comes from project(VERSION) alone: the executables'
# --version, the window caption, the package, its changelog and its metainfo
# all read it from here.
set(VELTRANO_VERSION ${PROJECT_VERSION})
# One application id, in reverse-DNS form, names the desktop entry, the
# icon, the metainfo and the running window.
set(VELTRANO_APP_ID com.example.veltrano)
# The day this version was released, for the changelog and the metainfo.
set(VELTRANO_RELEASE_DATE 2026-12-07)

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in
  ${CMAKE_BINARY_DIR}/generated/veltrano_version.h @ONLY)
add_library(veltrano_version INTERFACE)
target_include_directories(veltrano_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

# Packaging installs three executables; it must not build every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
