# Target selection: what differs between the Linux build and the Windows
# build (cross-compiled with mingw-w64, see cmake/mingw-w64-x86_64.cmake) is
# decided here, once, and the folders read VELTRANO_TARGET_WINDOWS (and
# nothing else: not WIN32, not CMAKE_SYSTEM_NAME). There are two targets, so
# "not Windows" is Linux.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   scripts/build-windows.sh           (the same, built and tested under Wine)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(VELTRANO_TARGET_WINDOWS ON)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(VELTRANO_TARGET_WINDOWS OFF)
else()
  message(FATAL_ERROR "Veltrano builds for Linux and Windows, not for ${CMAKE_SYSTEM_NAME}")
endif()

if(VELTRANO_TARGET_WINDOWS)
  # The Qt window is the Linux front end; Windows has its own in ui/win32.
  if(VELTRANO_WITH_QT)
    message(STATUS "Windows target: the Qt window is not built (VELTRANO_WITH_QT=OFF)")
  endif()
  set(VELTRANO_WITH_QT OFF)
  # Unicode Win32 entry points (the W forms) wherever <windows.h> is included.
  # The Windows version the headers target is mingw-w64's default (Windows 10).
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  # One file per program: the C and C++ runtimes and winpthread linked in.
  add_link_options(-static)
  if(CMAKE_CROSSCOMPILING)
    # Target programs (tests, test discovery, the tools' tests) run under
    # Wine in a private prefix of this build folder; scripts/wine-run.sh
    # creates it on first use and keeps one wineserver alive between runs.
    set(VELTRANO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH
      "Wine prefix in which the tests of the Windows build run")
    set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh --prefix ${VELTRANO_WINEPREFIX})
  endif()
endif()
