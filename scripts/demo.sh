#!/usr/bin/env bash
# Opens the real Veltrano window on a fake infected USB stick, so that anyone
# can watch "U盘杀毒" remove the worm and "U盘修复" bring hidden folders back.
#
#   scripts/demo.sh                  build, make the fake stick, open the window on it as E:
#   scripts/demo.sh --make-drive DIR only make the fake stick in DIR (used by the GUI tests)
#
# The fake stick holds what an autorun worm leaves behind: an autorun.inf that
# starts RavMonE.exe (hidden and system), the hidden folder "docs" with the
# look-alike program docs.exe beside it, and photos.scr; next to them an
# ordinary file and folder that a sweep must leave alone. The drive lives in a
# temporary folder that is removed when the window closes.
set -euo pipefail
cd "$(dirname "$0")/.."

# Hidden and system bits in the user.DOSATTRIB attribute, as Wine and Samba
# keep them on Linux file systems (ASCII "0x" + hex).
set_dos_attributes() {
  local path=$1 bits=$2
  if command -v setfattr >/dev/null 2>&1; then
    setfattr -n user.DOSATTRIB -v "\"$bits\"" "$path"
  else
    python3 -c 'import os, sys; os.setxattr(sys.argv[1], "user.DOSATTRIB", sys.argv[2].encode())' \
      "$path" "$bits"
  fi
}

make_drive() {
  local root=$1
  mkdir -p "$root"
  printf '[AutoRun]\r\nopen=RavMonE.exe\r\nshellexecute=RavMonE.exe\r\nshell\\Auto\\command=RavMonE.exe\r\n' \
    >"$root/autorun.inf"
  printf 'MZ worm\n' >"$root/RavMonE.exe"
  set_dos_attributes "$root/RavMonE.exe" 0x6
  mkdir -p "$root/docs"
  printf 'the report the worm hid\n' >"$root/docs/report.txt"
  set_dos_attributes "$root/docs" 0x2
  printf 'MZ look-alike of the hidden folder\n' >"$root/docs.exe"
  printf 'MZ screen saver worm\n' >"$root/photos.scr"
  printf 'an ordinary file\n' >"$root/readme.txt"
  mkdir -p "$root/music"
  printf 'an ordinary folder\n' >"$root/music/song.txt"
}

if [ "${1:-}" = "--make-drive" ]; then
  [ $# -eq 2 ] || { echo "usage: scripts/demo.sh --make-drive DIR" >&2; exit 2; }
  make_drive "$2"
  exit 0
fi
if [ $# -ne 0 ]; then
  echo "usage: scripts/demo.sh [--make-drive DIR]" >&2
  exit 2
fi

./scripts/setup.sh
build=${BUILD_DIR:-build-run}
./scripts/build-run.sh --build-dir "$build" veltrano-demo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo.sh: the demo opens a window and needs a display (DISPLAY or WAYLAND_DISPLAY is not set)." >&2
  echo "         Start it from a desktop session, or under Xvfb: xvfb-run -a scripts/demo.sh" >&2
  exit 1
fi

drive=$(mktemp -d /tmp/veltrano-fake-usb.XXXXXX)
trap 'rm -rf "$drive"' EXIT
make_drive "$drive"
echo "Fake USB stick E: is $drive:"
ls -la "$drive"
echo "Click \"U盘杀毒\" to sweep it; close the window to end the demo."
"$build/bin/veltrano-demo" "E:removable:$drive" >/dev/null
echo "After the demo, E: holds:"
ls -la "$drive"
