#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Veltrano need.
# Safe to run again: it installs only what is missing.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ clang pkg-config
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  # an independent reader of the shell links the tests write
  liblnk-utils
  # peers used only by tests and benchmarks
  libgif-dev libstb-dev imagemagick gifsicle
  # Qt 6 widgets and network
  qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
  # GUI tests and a Song-style CJK font
  xvfb xauth xdotool x11-utils fonts-arphic-uming xdg-user-dirs
  # the Windows window under Wine: a zh_CN locale compiled by the tests themselves
  locales
  # real-mount tests
  dosfstools mtools attr ntfs-3g
  # real kernels in the tests: qemu boots Debian's kernel with the drives' own drivers
  qemu-system-x86 busybox-static exfatprogs xz-utils zstd
  # helpers used by the scripts
  python3 hyperfine
  # the Windows edition: mingw-w64 cross compiler, GoogleTest sources, Wine
  g++-mingw-w64-x86-64-posix googletest wine64 wine
  # the Debian package and its checks
  dpkg-dev file lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
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
