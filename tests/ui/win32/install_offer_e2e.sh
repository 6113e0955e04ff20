#!/usr/bin/env bash
# The install offer of Veltrano.exe accepted in a fresh Wine prefix: started
# from a USB stick (E:), the offer is answered Yes and the welcome box OK
# with the keyboard; then "C:\Program Files\Veltrano.exe" is the program's
# copy and the desktop's Veltrano.lnk points at it.
#
#   install_offer_e2e.sh VELTRANO_EXE PROBE_EXE SHOT_DIR WORK_DIR
set -euo pipefail
exe=$(realpath "$1") probe=$(realpath "$2") shots=$(realpath -m "$3") work=$(realpath -m "$4")
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work/home" "$work/stick" "$shots"
# Wine links the prefix's desktop folder into the home folder: keep it in the work folder.
export HOME=$work/home
export WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d"
export LOCPATH=$work/locale
mkdir -p "$LOCPATH"
localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || true
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
cp "$exe" "$work/stick/Veltrano.exe"
# The stick is E:; nothing of the host is reachable from the prefix.
"$(dirname "$0")/../../../scripts/wine-prefix.sh" --stick "$work/stick" "$WINEPREFIX" ||
  fail "the Wine prefix"

cat >"$work/inside.sh" <<INSIDE
set -euo pipefail
"$wineserver" -p >/dev/null 2>&1 || true
"$wine" 'E:\\Veltrano.exe' >/dev/null 2>&1 &
pid=\$!
# The offer (Yes is the default button), then the welcome box.
xdotool search --sync --name '推荐安装' >/dev/null
sleep 1
import -window root "$shots/win32_install_offer.png"
xdotool search --name '推荐安装' windowactivate --sync 2>/dev/null || true
xdotool key Return
xdotool search --sync --name '欢迎使用' >/dev/null
sleep 1
import -window root "$shots/win32_install_welcome.png"
xdotool key Return
for _ in \$(seq 300); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
! kill -0 \$pid 2>/dev/null || { echo "the program did not end after the welcome box" >&2; exit 1; }
"$wine" "$probe" shortcut 'C:\\users\\$(id -un)\\Desktop\\Veltrano.lnk' >"$work/target.txt" || true
"$wineserver" -k 2>/dev/null || true
INSIDE
bash "$(dirname "$0")/wine_display.sh" "$WINEPREFIX" bash "$work/inside.sh" || fail "the install run failed"

copy="$WINEPREFIX/drive_c/Program Files/Veltrano.exe"
[ -f "$copy" ] || fail "no copy in C:\\Program Files"
cmp "$exe" "$copy" || fail "the copy is not the program"
target=$(tr -d '\r' <"$work/target.txt")
[ "$target" = 'C:\Program Files\Veltrano.exe' ] || fail "the shortcut points at '$target'"
echo "screenshots: $shots/win32_install_offer.png, $shots/win32_install_welcome.png"
echo "win32_install_offer_end_to_end: 1 passed, 0 failed"
