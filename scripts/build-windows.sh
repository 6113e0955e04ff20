#!/usr/bin/env bash
# Builds the Windows edition with mingw-w64 (static .exe files, no DLLs
# beside them) and, with --test, runs its test suites under Wine.
#
#   scripts/build-windows.sh [--test] [--zip] [--build-dir DIR] [--type CONFIG]
#                            [--linux-cli PATH]
#   scripts/build-windows.sh --release [--test] [--build-dir DIR]
#
# With --linux-cli (a Linux build's bin/veltrano-cli) the tests also sweep
# one USB stick with both programs and compare what they did.
# With --release: a Release build of the three programs only (default folder
# build-win-release), stripped, packed with the read-me into
# DIR/Veltrano-<version>-win64.zip; --test then checks the zip
# (scripts/check-windows-release.sh).
# With --zip: the whole build is a Release build, and the three programs just
# built (and tested, with --test) are packed and checked as --release does,
# once a build with the tests off has been shown to make them with the very
# same commands (DIR/release-config, configured only): the zip is the one
# --release makes, without building the programs twice.
#
# Needs what scripts/setup.sh installs (g++-mingw-w64-x86-64-posix, wine64,
# wine). JOBS sets the parallel jobs (default 2); VELTRANO_WERROR=ON makes
# warnings errors (test.sh sets it). The programs land in DIR/bin
# (veltrano-cli.exe, anigif-tool.exe, and Veltrano.exe once ui/win32 exists).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/phases.sh"

build=
config=RelWithDebInfo
run_tests=0
release=0
zip=0
linux_cli=
while [ $# -gt 0 ]; do
  case $1 in
    --test) run_tests=1 ;;
    --release) release=1 ;;
    --zip) zip=1 ;;
    --build-dir) build=$(realpath -m "$2"); shift ;;
    --type) config=$2; shift ;;
    --linux-cli) linux_cli=$(realpath "$2"); shift ;;
    -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "build-windows.sh: unknown argument '$1'" >&2; exit 2 ;;
  esac
  shift
done
jobs=${JOBS:-2}
testing=ON
if [ "$release" = 1 ]; then
  config=Release testing=OFF
  build=${build:-$root/build-win-release}
else
  build=${build:-$root/build-win}
fi
[ "$zip" = 0 ] || config=Release
programs=(Veltrano veltrano-cli anigif-tool)

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
configure() {  # DIR BUILD_TESTING
  local tests_args=()
  [ "$2" = OFF ] || tests_args=(-DVELTRANO_LINUX_CLI="$linux_cli")
  cmake -S "$root" -B "$1" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="$config" -DVELTRANO_WERROR="${VELTRANO_WERROR:-OFF}" \
    -DVELTRANO_BENCH=OFF -DBUILD_TESTING="$2" "${launcher[@]}" "${tests_args[@]}" >/dev/null
}

# The programs, stripped, in one folder with the read-me (UTF-8 with a
# byte-order mark and CRLF, so Notepad shows it), zipped; with --test the zip
# is checked as a user unpacks it.
pack_zip() {
  local version name stage p
  phase "$bdir/: strip + zip"
  version=$(sed -n 's/^project(Veltrano VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
  name=Veltrano-$version-win64
  stage=$build/release/$name
  rm -rf "$build/release" "$build/$name.zip"
  mkdir -p "$stage"
  for p in "${programs[@]}"; do
    x86_64-w64-mingw32-strip --strip-all -o "$stage/$p.exe" "$build/bin/$p.exe"
  done
  { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$root/packaging/windows/README.txt"; } >"$stage/README.txt"
  python3 - "$build/release" "$name" "$build/$name.zip" <<'PY'
import os, sys, zipfile
base, name, out = sys.argv[1:]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.write(os.path.join(base, name), name)
    for entry in sorted(os.listdir(os.path.join(base, name))):
        z.write(os.path.join(base, name, entry), f"{name}/{entry}")
PY
  ls -l "$stage"
  echo "build-windows.sh: $build/$name.zip ($(stat -c %s "$build/$name.zip") bytes)"
  phase_end
  if [ "$run_tests" = 1 ]; then
    "$root/scripts/check-windows-release.sh" "$build/$name.zip" "$version" "$build/release-check"
  fi
}

# Every command that makes the programs, from the sources on, with the build
# folder's own path in them written BUILD.
program_commands() {  # DIR
  ninja -C "$1" -t commands "${programs[@]}" | sed "s|$1|BUILD|g"
}

bdir=$(basename "$build")
phase "$bdir/: configure + build (mingw-w64 $config)"
configure "$build" "$testing"
if [ "$release" = 1 ]; then
  cmake --build "$build" -j"$jobs" --target "${programs[@]}"
  pack_zip
  exit 0
fi
cmake --build "$build" -j"$jobs"

# One file each: only DLLs that every Windows has may be imported.
exes=()
for p in veltrano-cli anigif-tool Veltrano; do
  [ -e "$build/bin/$p.exe" ] && exes+=("$build/bin/$p.exe")
done
"$root/scripts/windows-imports.sh" "${exes[@]}"

status=0
if [ "$run_tests" = 1 ]; then
  phase "$bdir/: Wine prefix for the suites"
  prefix=$build/wineprefix
  "$root/scripts/wine-prefix.sh" "$prefix"
  export WINEPREFIX=$prefix
  wineserver=/usr/lib/wine/wineserver
  # The first test's scripts/wine-run.sh starts the server and Wine's
  # background programs (with their output away from ctest's pipes).
  phase "$bdir/: ctest under Wine"
  ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600 2>&1 |
    tee "$build/ctest.log" || status=$?
  "$wineserver" -k >/dev/null 2>&1 || true
  phase_end
  phase_labels "$build/ctest.log"
  unset WINEPREFIX
fi
phase_end
[ "$status" = 0 ] || exit "$status"

if [ "$zip" = 1 ]; then
  phase "$bdir/: the programs' build commands against a build with the tests off"
  configure "$build/release-config" OFF
  if ! diff <(program_commands "$build/release-config") <(program_commands "$build") \
    >"$build/release-config.diff"; then
    echo "build-windows.sh: with the tests off the programs are built otherwise" \
      "(see $build/release-config.diff); no zip is made from $build" >&2
    exit 1
  fi
  pack_zip
fi
