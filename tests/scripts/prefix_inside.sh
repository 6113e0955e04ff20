#!/usr/bin/env bash
# The Wine prefix the tests run in reaches nothing of the host: Wine itself
# (winepath) finds every drive, and the user folders of C:, inside the build
# folder, and no drive leads to a host file; the same after Wine has updated
# the prefix (wineboot -u), which is when it makes anew what it misses.
#
#   prefix_inside.sh WINE_RUN PREFIX BUILD
set -euo pipefail

wine_run=$1 prefix=$(realpath -m "$2") build=$(realpath "$3")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
inside() {  # PATH DIR
  [ "$1" = "$2" ] || [ "${1#"$2"/}" != "$1" ]
}
winepath() {
  "$wine_run" --prefix "$prefix" winepath "$@" 2>/dev/null | tr -d '\r'
}

check_drives() {  # WHEN
  local letters=() letter path found=0 i=0 user
  for letter in {A..Z}; do letters+=("$letter:\\"); done
  user=$(id -un)
  letters+=("C:\\users\\$user\\Desktop" "C:\\users\\$user\\Documents" "C:\\users\\$user\\Downloads")
  while IFS= read -r path; do
    i=$((i + 1))
    [ -n "$path" ] || continue
    found=$((found + 1))
    path=$(realpath -m "$path")
    inside "$path" "$build" || fail "$1: ${letters[i - 1]} is $path, outside the build folder $build"
    [ "${letters[i - 1]}" != 'B:\' ] || [ "$path" = "$build" ] || fail "$1: B: is $path, not $build"
  done < <(winepath -u "${letters[@]}")
  [ "$i" = "${#letters[@]}" ] || fail "$1: winepath answered $i of ${#letters[@]} paths"
  [ "$found" -ge 6 ] || fail "$1: only $found drives and folders found"
  # A host file has no drive path at all.
  path=$(winepath -w /etc/passwd)
  [[ $path == '\\?\unix\'* ]] || fail "$1: /etc/passwd is reachable as $path"
}

check_drives "the prefix"
"$wine_run" --prefix "$prefix" wineboot -u >/dev/null 2>&1 || fail "wineboot -u"
check_drives "after wineboot -u"
echo "every drive of $prefix lies inside $build"
