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
#
# At its end (and when a step fails) it prints how long each phase took.
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

. scripts/phases.sh
VELTRANO_PHASES=$(mktemp)
export VELTRANO_PHASES
started=$EPOCHREALTIME
finish() {
  local status=$?
  phase_end
  phases_report "$started"
  rm -f "$VELTRANO_PHASES"
  [ "$status" = 0 ] || echo "test.sh: FAILED (exit status $status)" >&2
}
trap finish EXIT
trap 'exit 130' INT TERM
# ctest's output, also kept to read its per-label times from.
ctest_timed() {  # LOG CTEST-ARGS...
  local log=$1
  shift
  ctest "$@" 2>&1 | tee "$log"
  phase_labels "$log"
}

phase "setup (scripts/setup.sh all)"
./scripts/setup.sh all
phase "build/: configure + build (GCC Release)"
configure_build
cmake --build build -j"$jobs"
phase "build/: ctest, every label (kernels in qemu too)"
ctest_timed build/ctest.log --test-dir build --output-on-failure -j"$jobs" --timeout 900
phase "build/: Debian package check"
./scripts/package-deb.sh --check build

phase "build-asan/: configure + build (Clang ASan+UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DVELTRANO_SANITIZE=ON -DVELTRANO_WERROR=ON -DVELTRANO_WITH_QT=OFF -DVELTRANO_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
phase "build-asan/: ctest core"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -L core --output-on-failure -j"$jobs" --timeout 900
phase_end

# The Windows edition: cross-built with mingw-w64 (static .exe files), its
# suites run under Wine in a private prefix, and one USB stick swept by both
# editions must give the same scan log and leave the same files. It is a
# Release build, so the programs tested are those of the zip Windows users
# download: stripped, checked as unpacked (imports, version information,
# start-up).
VELTRANO_WERROR=ON JOBS=$jobs ./scripts/build-windows.sh --test --zip --build-dir build-win \
  --linux-cli build/bin/veltrano-cli
