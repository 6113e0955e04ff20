#!/usr/bin/env bash
# Configures the program as run.sh does (tests and benchmarks off) with every
# package the sources look for made unfindable, except those the run profile
# of scripts/setup.sh installs; then checks that the window's target exists
# and that every package the configure found by its CMake files comes from
# the run profile.
#
#   run_profile_configure.sh SOURCE_DIR [CMAKE]
set -euo pipefail
src=$(realpath "$1")
cmake_bin=${2:-cmake}

# Found by the run profile: Qt 6 (qt6-base-dev) and pkg-config.
run_packages_found="Qt6 PkgConfig Threads"

work=$(mktemp -d "${TMPDIR:-/tmp}/veltrano-run-profile.XXXXXX")
trap 'rm -rf "$work"' EXIT

disabled=()
for name in $(grep -rhoE 'find_package\(\s*[A-Za-z0-9_]+' \
    --include=CMakeLists.txt --include='*.cmake' --exclude-dir='build*' "$src" |
    sed -E 's/find_package\(\s*//' | sort -u); do
  case " $run_packages_found " in *" $name "*) continue ;; esac
  disabled+=("-DCMAKE_DISABLE_FIND_PACKAGE_$name=ON")
done

if ! "$cmake_bin" -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=OFF -DVELTRANO_BENCH=OFF "${disabled[@]}" >"$work/configure.log" 2>&1; then
  cat "$work/configure.log"
  echo "FAIL: the build run.sh makes does not configure without ${disabled[*]}" >&2
  exit 1
fi
names=("${disabled[@]#-DCMAKE_DISABLE_FIND_PACKAGE_}")
echo "configured without ${names[*]%=ON}"

if ! "$cmake_bin" --build "$work/build" --target veltrano -- -n >/dev/null; then
  echo "FAIL: that build has no veltrano target" >&2
  exit 1
fi

# Packages found through their CMake config files must come from the run
# profile itself. (Module finds are covered by the switches above; libraries a
# find module looks up on the side, as FindOpenGL does GLU, are not used.)
command -v dpkg-query >/dev/null || { echo "no dpkg here: package owners not checked"; exit 0; }
run_profile=" $("$src/scripts/setup.sh" --list run | tr '\n' ' ') "
status=0
checked=0
while IFS= read -r path; do
  owners=$(dpkg-query -S "$(realpath "$path")" 2>/dev/null | sed 's/: .*//' | tr ',' ' ') || true
  [ -n "$owners" ] || continue
  checked=$((checked + 1))
  ok=0
  for owner in $owners; do
    case $run_profile in *" ${owner%%:*} "*) ok=1 ;; esac
  done
  if [ "$ok" = 0 ]; then
    echo "FAIL: the configure used $path, from $owners, which the run profile does not list" >&2
    status=1
  fi
done < <(grep -vE '^[A-Za-z0-9_]*INCLUDE_DIR:' "$work/build/CMakeCache.txt" |
  sed -nE 's/^[A-Za-z0-9][A-Za-z0-9_]*_DIR:PATH=(\/.*)$/\1/p' | grep -v NOTFOUND | sort -u)
[ "$checked" -gt 0 ] || { echo "FAIL: no package found by its CMake files was owned by a Debian package" >&2; exit 1; }
[ "$status" = 0 ] && echo "$checked package folders found by the configure, all from the run profile"
exit $status
