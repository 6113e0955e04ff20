#!/usr/bin/env bash
# Creates a private Wine prefix for the Windows tests, once, and keeps it
# from reaching the host:
#
#   scripts/wine-prefix.sh [--build DIR] [--stick DIR] PREFIX
#   scripts/wine-prefix.sh --check PREFIX
#   scripts/wine-prefix.sh --links FOLDER
#
# A new Wine prefix maps Z: to the host's / and links the user's folders
# (Desktop, Documents, ...) to $HOME. Every command of the program that
# searches drives (the cleanup searches all of them, network drives too)
# would then reach the whole host. So the prefix has no Z:, its user folders
# are folders of its own, and its drives are:
#
#   B: the build folder (--build; by default the nearest folder above PREFIX
#      that holds a CMakeCache.txt, else PREFIX's parent), through which the
#      test programs are started and find their data; no command of the
#      program visits A: or B:
#   C: the prefix's drive_c
#   E: removable ("floppy"): the only removable drive, kept for the
#      end-to-end sweeps, which lay it out as a USB stick (--stick: a folder
#      inside the build folder instead of PREFIX/drives/e)
#   F: fixed ("hd"): tests work in sub-folders of their own, in parallel
#   G: CD-ROM   H: network
#
# Every call seals the prefix again, should Wine have made anew what it
# misses; --check only tells: it prints what lies outside the build folder
# and the prefix (a drive, a link under C:) and fails. scripts/wine-run.sh
# checks after every program. The registry keeps no drive paths of its own:
# the mount manager's (HKLM\System\MountedDevices) are volatile, made from
# dosdevices at every start, and Software\Wine\Drives holds drive types.
#
# Wine shows a Linux symbolic link as a plain file or folder, and its
# DeleteFileW deletes what a file link points at: no command of the Windows
# edition may run on a folder that holds a link to anything outside it.
# --check also fails when a drive the commands visit (all but B:) holds one,
# and --links FOLDER prints the links of FOLDER that point outside it and
# fails when there is any; the scripts that start the Windows programs on
# folders refuse such a folder.
# Safe to call from parallel runs: the first one creates the prefix under a
# lock, the others wait for it.
set -euo pipefail

usage() {
  echo "usage: wine-prefix.sh [--build DIR] [--stick DIR] PREFIX | --check PREFIX |" \
    "--links FOLDER" >&2
  exit 2
}
build='' stick='' mode=make
while [ $# -gt 1 ]; do
  case $1 in
    --build) build=$(realpath -m "$2"); shift ;;
    --stick) stick=$(realpath -m "$2"); shift ;;
    --check) mode=check ;;
    --links) mode=links ;;
    *) usage ;;
  esac
  shift
done
[ $# -eq 1 ] || usage

inside() {  # PATH DIR: PATH is DIR or lies below it
  [ "$1" = "$2" ] || [ "${1#"$2"/}" != "$1" ]
}
# REPLY: PATH without ".", ".." and doubled slashes (PATH is absolute).
normal() {
  local -a parts out=()
  local part
  IFS=/ read -ra parts <<<"$1"
  for part in "${parts[@]}"; do
    case $part in
      '' | .) ;;
      ..) [ ${#out[@]} -eq 0 ] || unset 'out[-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  local IFS=/
  REPLY=/${out[*]}
}
# Prints "FOLDER<tab>LINK<tab>TARGET" for every symbolic link under the
# folders given (one find for all), TARGET made absolute and normal.
list_links() {  # FIND-ARGS...
  local top dir link target
  find "$@" -type l -printf '%H\t%h\t%p\t%l\n' 2>/dev/null |
    while IFS=$'\t' read -r top dir link target; do
      [ "${target#/}" != "$target" ] || target=$dir/$target
      normal "$target"
      printf '%s\t%s\t%s\n' "$top" "$link" "$REPLY"
    done
}
# Prints "LINK -> TARGET" for the links under each FOLDER that point outside it.
links_outside() {  # FOLDER...
  local top link target
  list_links "$@" | while IFS=$'\t' read -r top link target; do
    inside "$target" "$top" || echo "$link -> $target"
  done
}

if [ "$mode" = links ]; then
  folder=$(realpath -m "$1")
  found=$(links_outside "$folder")
  [ -z "$found" ] && exit 0
  echo "wine-prefix.sh: $folder holds links to outside it; no Windows command runs on it:" >&2
  echo "$found" >&2
  exit 1
fi

prefix=$(realpath -m "$1")  # Wine wants it absolute
ready=$prefix/.veltrano-ready
home_file=$prefix/.veltrano-build  # the build folder the prefix was made for

allowed() {  # PATH (normal): inside the build folder or the prefix
  inside "$1" "$build" || inside "$1" "$prefix"
}
# Prints one line for everything of the prefix that reaches outside.
outside_entries() {
  local top link target name visited=()
  while IFS=$'\t' read -r top link target; do
    name=${link##*/}
    case $name in
      [a-z]:)
        if ! allowed "$target"; then
          echo "drive $name -> $target"
        elif [ "$name" != b: ]; then
          visited+=("$target")
        fi
        ;;
      [a-z]::) echo "raw device $name -> $target" ;;
      # Serial and parallel ports, which Wine links to the host's devices.
      com[0-9]* | lpt[0-9]*) [ -c "$link" ] || echo "port $name -> $target" ;;
      *) echo "entry $name -> $target" ;;
    esac
  done < <(list_links "$prefix/dosdevices" -mindepth 1 -maxdepth 1)
  # The drives the commands visit hold no link to outside them.
  [ ${#visited[@]} -eq 0 ] || links_outside "${visited[@]}" | sed 's/^/on a drive: /'
}

if [ "$mode" = check ]; then
  [ -f "$home_file" ] || { echo "wine-prefix.sh: $prefix was not made by this script" >&2; exit 1; }
  build=$(cat "$home_file")
  found=$(outside_entries)
  [ -z "$found" ] && exit 0
  echo "wine-prefix.sh: the prefix $prefix reaches outside $build:" >&2
  echo "$found" >&2
  exit 1
fi

if [ -z "$build" ]; then
  d=$(dirname "$prefix")
  while [ "$d" != / ] && [ ! -e "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  if [ "$d" = / ]; then build=$(dirname "$prefix"); else build=$d; fi
fi
[ "$build" != / ] || { echo "wine-prefix.sh: the build folder cannot be /" >&2; exit 1; }
if [ -n "$stick" ] && ! inside "$stick" "$build"; then
  echo "wine-prefix.sh: the stick $stick is not inside the build folder $build" >&2
  exit 1
fi

# Takes away what reaches outside: Z: (and any other drive or raw device
# outside), and the links of C: (the user folders'), which become folders.
seal() {
  local top link target name
  while IFS=$'\t' read -r top link target; do
    name=${link##*/}
    case $name in
      [a-z]:) allowed "$target" || rm -f "$link" ;;
      [a-z]::) rm -f "$link" ;;
    esac
  done < <(list_links "$prefix/dosdevices" -mindepth 1 -maxdepth 1)
  links_outside "$prefix/drive_c" | while IFS= read -r link; do
    link=${link% -> *}
    rm -f "$link"
    mkdir -p "$link"
  done
}
made() {
  [ -e "$ready" ] && [ "$(cat "$home_file" 2>/dev/null)" = "$build" ]
}
# Seals a prefix made before; fails when something still reaches outside.
reseal() {
  local found
  seal
  found=$(outside_entries)
  [ -z "$found" ] && return 0
  echo "wine-prefix.sh: the prefix $prefix reaches outside $build:" >&2
  echo "$found" >&2
  return 1
}
if made && [ -z "$(outside_entries)" ]; then exit 0; fi

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if made; then
  reseal
  exit
fi

wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEPREFIX=$prefix WINEDEBUG=-all WINESERVER=$wineserver
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine links the user's folders to the home folder's: one inside the prefix.
export HOME=$prefix/home
unset XDG_CONFIG_HOME XDG_DESKTOP_DIR XDG_DOCUMENTS_DIR XDG_DOWNLOAD_DIR XDG_MUSIC_DIR \
  XDG_PICTURES_DIR XDG_VIDEOS_DIR XDG_TEMPLATES_DIR

rm -rf "$prefix"
mkdir -p "$prefix/home"
if ! "$wine" wineboot --init >"$prefix.log" 2>&1; then
  echo "wine-prefix.sh: wineboot failed, see $prefix.log" >&2
  exit 1
fi
"$wineserver" -w
echo "$build" >"$home_file"
seal

declare -A types=([e]=floppy [f]=hd [g]=cdrom [h]=network)
for letter in "${!types[@]}"; do
  folder=$prefix/drives/$letter
  [ "$letter" = e ] && [ -n "$stick" ] && folder=$stick
  mkdir -p "$folder"
  ln -sfn "$folder" "$prefix/dosdevices/$letter:"
  "$wine" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "${types[$letter]}" /f >/dev/null 2>&1
done
ln -sfn "$build" "$prefix/dosdevices/b:"
"$wine" reg add 'HKLM\Software\Wine\Drives' /v "b:" /d hd /f >/dev/null 2>&1
# Drive types are read when the server starts.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true
reseal
touch "$ready"
