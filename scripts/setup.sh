#!/usr/bin/env bash
# Installs the Debian packages Veltrano needs, by profile:
#
#   scripts/setup.sh [PROFILE...]     (no profile: all)
#   scripts/setup.sh --list PROFILE   prints the profile's packages, one a line
#
#   run      building and starting the window (./run.sh)
#   test     run + the Linux tests, benchmarks, fuzzing and the package checks
#   windows  run + the Windows edition: mingw-w64, GoogleTest sources, Wine
#   kernel   test + the suites on real kernels in qemu
#   all      every profile (./test.sh)
#
# Safe to run again: it installs only what is missing.
set -euo pipefail

# Each profile's own packages; a profile also gets those of the one it builds on.
RUN_PACKAGES=(
  # compiler and build tools
  cmake ninja-build g++ pkg-config
  # Qt 6 widgets and network
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # a Song-style CJK font for the window's text; the desktop folder for the install offer
  fonts-arphic-uming xdg-user-dirs
)
TEST_PACKAGES=(
  # the sanitizer build and the fuzz targets
  clang libclang-rt-14-dev
  # tests, benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # an independent reader of the shell links the tests write
  liblnk-utils
  # peers used only by tests and benchmarks
  libgif-dev libstb-dev imagemagick gifsicle libxcb1-dev
  # GUI tests
  xvfb xauth xdotool x11-utils
  # real-mount tests
  dosfstools mtools attr ntfs-3g
  # helpers used by the scripts
  python3 hyperfine strace
  # the Debian package and its checks
  dpkg-dev file lintian desktop-file-utils appstream man-db
)
WINDOWS_PACKAGES=(
  # mingw-w64 cross compiler, GoogleTest sources, Wine; python3 writes the resources
  g++-mingw-w64-x86-64-posix googletest wine64 wine python3
  # the Windows window under Wine: a zh_CN locale compiled by the tests themselves
  locales
)
KERNEL_PACKAGES=(
  # qemu boots Debian's kernel with the drives' own drivers
  qemu-system-x86 busybox-static exfatprogs xz-utils zstd
)

# Prints the packages of one profile (with those of the profiles it builds on).
profile_packages() {
  case $1 in
    run) printf '%s\n' "${RUN_PACKAGES[@]}" ;;
    test) profile_packages run; printf '%s\n' "${TEST_PACKAGES[@]}" ;;
    windows) profile_packages run; printf '%s\n' "${WINDOWS_PACKAGES[@]}" ;;
    kernel) profile_packages test; printf '%s\n' "${KERNEL_PACKAGES[@]}" ;;
    all) for p in test windows kernel; do profile_packages $p; done ;;
    *) echo "setup.sh: unknown profile '$1' (run, test, windows, kernel, all)" >&2; return 2 ;;
  esac
}

list=0
if [ "${1:-}" = --list ]; then
  list=1
  shift
fi
if [ $# -eq 0 ]; then set -- all; fi
packages=()
for profile in "$@"; do
  out=$(profile_packages "$profile") || exit 2
  mapfile -t -O ${#packages[@]} packages <<<"$out"
done
mapfile -t packages < <(printf '%s\n' "${packages[@]}" | awk '!seen[$0]++')

if [ "$list" = 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
