#!/usr/bin/env bash
# Builds the Debian package veltrano_<version>_<arch>.deb.
#
#   scripts/package-deb.sh [--check] [BUILD_DIR]
#
# BUILD_DIR (default build-release) is configured as a Release build when it
# has not been configured yet; a folder that has is used as it is (./test.sh
# passes its own build). Only the three programs and the package's files are
# built. The package is left in BUILD_DIR/package/. With --check it is then
# checked by tests/packaging/check_deb.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
build=${1:-build-release}

./scripts/setup.sh test
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ "$type" != Release ]; then
  echo "package-deb: $build is a '$type' build; release packages come from Release builds" >&2
fi
cmake --build "$build" -j"${JOBS:-2}" --target veltrano veltrano-cli anigif-tool veltrano_package_files

rm -f "$build"/package/veltrano_*.deb
(cd "$build" && cpack -G DEB >cpack.log) || {
  cat "$build/cpack.log" >&2
  exit 1
}
deb=$(ls "$build"/package/veltrano_*.deb)
echo "package-deb: $deb"
if [ "$check" -eq 1 ]; then
  tests/packaging/check_deb.sh "$deb" .
fi
