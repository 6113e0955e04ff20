#!/usr/bin/env bash
# Creates the private Wine prefix the Windows tests run in, once:
#
#   scripts/wine-prefix.sh DIR
#
# Besides C: (the prefix's drive_c) and Z: (the host's /, through which the
# test programs are started and find their data files), the prefix has a
# drive of every type the commands care about, each a folder of the prefix:
#
#   E: removable ("floppy"): the only removable drive, kept for the
#      end-to-end sweep (tests/win32), which lays it out as a USB stick
#   F: fixed ("hd"): tests work in sub-folders of their own, in parallel
#   G: CD-ROM   H: network
#
# Z: is typed "network", so that no command run on the machine's drives
# (a sweep of the fixed drives, the repair's last fixed drive) ever takes
# the host's root for a local disk. Safe to call from parallel runs: the first one creates the
# prefix under a lock, the others wait for it.
set -euo pipefail

prefix=$(realpath -m "${1:?usage: wine-prefix.sh DIR}")  # Wine wants it absolute
ready=$prefix/.veltrano-ready
[ -e "$ready" ] && exit 0

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -e "$ready" ] && exit 0

wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$prefix WINEDEBUG=-all WINESERVER=$wineserver
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

rm -rf "$prefix"
mkdir -p "$prefix"
if ! "$wine" wineboot --init >"$prefix.log" 2>&1; then
  echo "wine-prefix.sh: wineboot failed, see $prefix.log" >&2
  exit 1
fi
"$wineserver" -w

declare -A types=([e]=floppy [f]=hd [g]=cdrom [h]=network)
for letter in "${!types[@]}"; do
  mkdir -p "$prefix/drives/$letter"
  ln -sfn "../drives/$letter" "$prefix/dosdevices/$letter:"
  "$wine" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "${types[$letter]}" /f >/dev/null 2>&1
done
"$wine" reg add 'HKLM\Software\Wine\Drives' /v "z:" /d network /f >/dev/null 2>&1
# Drive types are read when the server starts.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
touch "$ready"
