#!/usr/bin/env bash
# Builds the Windows edition with mingw-w64 (static .exe files, no DLLs
# beside them) and, with --test, runs its test suites under Wine.
#
#   scripts/build-windows.sh [--test] [--build-dir DIR] [--type CONFIG]
#                            [--linux-cli PATH]
#
# With --linux-cli (a Linux build's bin/veltrano-cli) the tests also sweep
# one USB stick with both programs and compare what they did.
#
# Needs what scripts/setup.sh installs (g++-mingw-w64-x86-64-posix, wine64,
# wine). JOBS sets the parallel jobs (default 2); VELTRANO_WERROR=ON makes
# warnings errors (test.sh sets it). The programs land in DIR/bin
# (veltrano-cli.exe, anigif-tool.exe, and Veltrano.exe once ui/win32 exists).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build=$root/build-win
config=RelWithDebInfo
run_tests=0
linux_cli=
while [ $# -gt 0 ]; do
  case $1 in
    --test) run_tests=1 ;;
    --build-dir) build=$(realpath -m "$2"); shift ;;
    --type) config=$2; shift ;;
    --linux-cli) linux_cli=$(realpath "$2"); shift ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "build-windows.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
  shift
done
jobs=${JOBS:-2}

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="$config" -DVELTRANO_WERROR="${VELTRANO_WERROR:-OFF}" \
  -DVELTRANO_BENCH=OFF -DVELTRANO_LINUX_CLI="$linux_cli" "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$jobs"

# One file each: only DLLs that every Windows has may be imported.
programs=()
for p in veltrano-cli anigif-tool Veltrano; do
  [ -e "$build/bin/$p.exe" ] && programs+=("$build/bin/$p.exe")
done
"$root/scripts/windows-imports.sh" "${programs[@]}"

if [ "$run_tests" = 1 ]; then
  prefix=$build/wineprefix
  "$root/scripts/wine-prefix.sh" "$prefix"
  export WINEPREFIX=$prefix
  wineserver=/usr/lib/wine/wineserver
  # The first test's scripts/wine-run.sh starts the server and Wine's
  # background programs (with their output away from ctest's pipes).
  status=0
  ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600 || status=$?
  "$wineserver" -k >/dev/null 2>&1 || true
  exit $status
fi
