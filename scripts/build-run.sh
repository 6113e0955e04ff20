#!/usr/bin/env bash
# Builds programs the way run.sh starts them: RelWithDebInfo, tests and
# benchmarks off, so that the run profile of scripts/setup.sh is all it needs.
#
#   scripts/build-run.sh [--build-dir DIR] TARGET...    (DIR: build-run)
#
# build-run/ is apart from test.sh's build/ (other packages and options), so
# neither command rebuilds what the other built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-run
if [ "${1:-}" = --build-dir ]; then
  build=$(realpath -m "$2")
  shift 2
fi
[ $# -gt 0 ] || { echo "usage: scripts/build-run.sh [--build-dir DIR] TARGET..." >&2; exit 2; }

"$root/scripts/setup.sh" run
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBUILD_TESTING=OFF -DVELTRANO_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target "$@"
