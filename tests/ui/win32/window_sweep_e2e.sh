#!/usr/bin/env bash
# Veltrano.exe under Wine on a fake infected USB stick: a fresh prefix whose
# E: is a removable drive holding the stick, the window started from
# C:\Program Files (so no install offer), a click on "U盘杀毒" with xdotool,
# the scan log read back from the window by window_probe.exe and compared
# with the Linux veltrano-cli's log of the same stick, and screenshots kept.
#
#   window_sweep_e2e.sh VELTRANO_EXE PROBE_EXE DEMO_SCRIPT SHOT_DIR WORK_DIR [LINUX_CLI]
set -euo pipefail
exe=$(realpath "$1") probe=$(realpath "$2") demo=$(realpath "$3")
shots=$(realpath -m "$4") work=$(realpath -m "$5") linux_cli=${6:-}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

fail() {
  echo "FAIL: $*" >&2
  for f in window.log linux.log veltrano.err; do
    [ -s "$work/$f" ] && { echo "--- $f" >&2; cat "$work/$f" >&2; }
  done
  exit 1
}

rm -rf "$work"
mkdir -p "$work" "$shots"
export WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Chinese menus and boxes need a Chinese locale; one compiled into the work folder.
export LOCPATH=$work/locale
mkdir -p "$LOCPATH"
localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || true
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

bash "$demo" --make-drive "$work/stick"
# The stick is E:; nothing of the host is reachable from the prefix.
scripts=$(dirname "$demo")
"$scripts/wine-prefix.sh" --links "$work/stick" || fail "the stick holds links to outside it"
"$scripts/wine-prefix.sh" --stick "$work/stick" "$WINEPREFIX" || fail "the Wine prefix"
mkdir -p "$WINEPREFIX/drive_c/Program Files"
cp "$exe" "$WINEPREFIX/drive_c/Program Files/Veltrano.exe"
if [ -n "$linux_cli" ]; then
  bash "$demo" --make-drive "$work/linux-stick"
  "$linux_cli" --drive "E:removable:$work/linux-stick" menuqim >"$work/linux.out" || true
  # veltrano-cli prints "scan log (N lines):" and then the N lines of the log.
  n=$(sed -n '1s/^scan log (\([0-9]*\) lines):$/\1/p' "$work/linux.out")
  [ -n "$n" ] || fail "veltrano-cli printed no scan log"
  sed -n "2,$((n + 1))p" "$work/linux.out" >"$work/linux.log"
fi

cat >"$work/inside.sh" <<INSIDE
set -euo pipefail
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" 'C:\\Program Files\\Veltrano.exe' >/dev/null 2>"$work/veltrano.err" &
"$wine" "$probe" wait 60 || { echo "the window did not come up" >&2; exit 1; }
sleep 2
read -r mx my mw mh < <("$wine" "$probe" menu 0)
# Wine's desktop window holds the Windows screen; its corner is the origin.
eval "\$(xdotool getwindowgeometry --shell "\$(xdotool search --name 'Wine desktop' | head -n1)")"
xdotool mousemove --sync \$((X + mx + mw / 2)) \$((Y + my + mh / 2)) click 1
"$wine" "$probe" list '共清除病毒数' 60 >"$work/window.log" || { echo "the sweep did not finish" >&2; exit 1; }
sleep 1
import -window root "$shots/win32_usb_sweep_screen.png"
convert "$shots/win32_usb_sweep_screen.png" -crop 470x400+\$X+\$Y +repage "$shots/win32_usb_sweep_window.png"
"$wineserver" -k 2>/dev/null || true
INSIDE
bash "$(dirname "$0")/wine_display.sh" "$WINEPREFIX" bash "$work/inside.sh" || fail "the window run failed"

colours=$(convert "$shots/win32_usb_sweep_window.png" -format %k info:)
[ "$colours" -gt 8 ] || fail "the screenshot is nearly blank ($colours colours)"
echo "screenshots: $shots/win32_usb_sweep_window.png, $shots/win32_usb_sweep_screen.png"

grep -qF '可移动磁盘E:\' "$work/window.log" || fail "no header for E: in the window's log"
grep -qF '    共清除病毒数： 4个！' "$work/window.log" || fail "the window's count is not 4"
for gone in autorun.inf RavMonE.exe docs.exe photos.scr; do
  [ ! -e "$work/stick/$gone" ] || fail "$gone is still on the stick"
done
[ -f "$work/stick/docs/report.txt" ] && [ -f "$work/stick/readme.txt" ] || fail "a kept entry is gone"
if [ -n "$linux_cli" ]; then
  cmp "$work/linux.log" "$work/window.log" ||
    { diff "$work/linux.log" "$work/window.log" >&2 || true; fail "the window's log differs from Linux's"; }
fi
echo "win32_window_sweep_end_to_end: 1 passed, 0 failed"
