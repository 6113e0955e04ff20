#!/usr/bin/env bash
# Runs a Windows program of the Windows build under Wine, in a private prefix:
#
#   scripts/wine-run.sh --prefix DIR PROGRAM.exe [ARGS...]
#
# The build sets this as the emulator of its target programs, so ctest, test
# discovery and the tools' tests all come through here. The first run creates
# the prefix (scripts/wine-prefix.sh: no Mono or Gecko installer, no menu
# entries, the test drives mapped, nothing of the host reachable); a
# wineserver kept alive for a while between runs spares each test Wine's
# start-up.
#
# A folder given as a drive (--drive L:TYPE:FOLDER) that holds a link to
# outside it is refused: Wine's own delete follows Linux symbolic links. After
# the program, the prefix is checked again: a drive or link to outside the
# build folder that appeared meanwhile fails the run. VELTRANO_WINE_WRAPPER,
# when set, is a command (split at blanks) the program is started under, such
# as strace, so that it sees Wine and not these checks.
set -euo pipefail

if [ "${1:-}" != "--prefix" ] || [ $# -lt 3 ]; then
  echo "usage: wine-run.sh --prefix DIR PROGRAM [ARGS...]" >&2
  exit 2
fi
prefix=$(realpath -m "$2")
shift 2

here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-prefix.sh" "$prefix"

# The host folder of a Windows path of the prefix ("B:\a\b", or relative).
host_path() {
  local p=$1
  if [[ $p == [A-Za-z]:* ]]; then
    local letter=${p:0:1}
    p=${p:2}
    realpath -m "$prefix/dosdevices/${letter,,}:/${p//\\//}"
  else
    realpath -m "${p//\\//}"
  fi
}
previous=
for arg in "$@"; do
  if [ "$previous" = --drive ] && [[ $arg == ?:*:* ]]; then
    folder=${arg:2}
    "$here/wine-prefix.sh" --links "$(host_path "${folder#*:}")"
  fi
  previous=$arg
done

export WINEPREFIX=$prefix
# Wine links the user folders of a prefix it updates to the home folder's.
export HOME=$prefix/home
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine prints its console output in the code page of the Unix locale; the
# programs write UTF-8 and set their console to it.
export LC_ALL=${VELTRANO_WINE_LOCALE:-C.UTF-8}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
export WINESERVER=$wineserver
wine=${WINE:-/usr/lib/wine/wine64}

# The server of this prefix, when it runs, has its socket in
# $TMPDIR/wine-*/server-<device>-<inode>/ (both in hex).
server_up() {
  local key
  key=server-$(stat -c %D "$prefix")-$(printf %x "$(stat -c %i "$prefix")")
  compgen -G "${TMPDIR:-/tmp}/wine-*/$key/socket" >/dev/null
}
# Starts a server that outlives its last program by 60 s, and Wine's
# background programs with it, their output to /dev/null: started by a test
# instead, they would keep its output pipe open and ctest would wait for them.
if ! server_up; then
  exec 9>"$prefix.lock"
  flock 9
  if ! server_up; then
    "$wineserver" -p60 </dev/null >/dev/null 2>&1 || true
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
  fi
  exec 9>&-
fi
status=0
# shellcheck disable=SC2086  # the wrapper's words
${VELTRANO_WINE_WRAPPER:-} "$wine" "$@" || status=$?
"$here/wine-prefix.sh" --check "$prefix" || exit 1
exit "$status"
