#!/usr/bin/env bash
# Runs a command with an X display of its own (Xvfb) and the Wine prefix's
# windows inside one Wine virtual desktop, so that Wine draws the window
# frames itself and maps and unmaps windows without a window manager.
#
#   wine_display.sh PREFIX COMMAND ARGS...
#
# PREFIX is the Wine prefix (made here by scripts/wine-prefix.sh unless the
# caller made it, and checked after the command: nothing of the host may be
# reachable from it); DISPLAY is exported to the command, and the screen's
# picture is left in $WINE_DISPLAY_SHOT when that is set.
set -euo pipefail
prefix=$(realpath -m "$1")
shift
scripts=$(cd "$(dirname "$0")/../../../scripts" && pwd)
"$scripts/wine-prefix.sh" "$prefix"
work=$(mktemp -d /tmp/veltrano-wine-display.XXXXXX)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "wine_display.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} HOME=$prefix/home
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
  >/dev/null 2>&1
status=0
"$@" || status=$?
"$scripts/wine-prefix.sh" --check "$prefix" || exit 1
exit "$status"
