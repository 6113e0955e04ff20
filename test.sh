#!/usr/bin/env bash
# Installs what is missing, builds everything with GCC as a Release build (the
# build the Debian package is made from), runs every test (those on real
# kernels' file-system drivers in qemu too), then
# builds the core with Clang under AddressSanitizer + UBSan and runs its tests
# again (so both compilers build the core warning-free on every run), and last
# builds the Windows edition and runs its suites under Wine.
#
# ./test.sh --quick is the loop after a change: it rebuilds what changed in the
# same build/ and runs the core tests only (no kernels, sanitizers or Wine).
set -euo pipefail
cd "$(dirname "$0")"
quick=0
case ${1:-} in
  --quick) quick=1 ;;
  "") ;;
  *) echo "usage: ./test.sh [--quick]" >&2; exit 2 ;;
esac
jobs=${JOBS:-2}
configure_build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELTRANO_WERROR=ON \
    -DVELTRANO_KERNEL_TESTS=ON >/dev/null
}

if [ "$quick" = 1 ]; then
  ./scripts/setup.sh test
  [ -f build/CMakeCache.txt ] || configure_build
  cmake --build build -j"$jobs"
  exec ctest --test-dir build -L core --output-on-failure -j"$jobs" --timeout 900
fi

./scripts/setup.sh all
configure_build
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 900
./scripts/package-deb.sh --check build

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELTRANO_SANITIZE=ON -DVELTRANO_WERROR=ON -DVELTRANO_WITH_QT=OFF -DVELTRANO_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L core --output-on-failure -j"$jobs" --timeout 900

# The Windows edition: cross-built with mingw-w64 (static .exe files), its
# suites run under Wine in a private prefix, and one USB stick swept by both
# editions must give the same scan log and leave the same files.
VELTRANO_WERROR=ON JOBS=$jobs ./scripts/build-windows.sh --test --build-dir build-win \
  --linux-cli build/bin/veltrano-cli
# The zip Windows users download: Release builds of the three programs,
# stripped, checked as unpacked (imports, version information, start-up).
VELTRANO_WERROR=ON JOBS=$jobs ./scripts/build-windows.sh --release --test \
  --build-dir build-win-release
