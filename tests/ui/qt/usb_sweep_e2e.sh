#!/usr/bin/env bash
# The real window on a fake infected USB stick, under an Xvfb of its own: a
# click on "U盘杀毒" must sweep the stick, the log must say what was removed,
# and a screenshot of the window is kept for a person to look at.
#
#   usb_sweep_e2e.sh DEMO_BINARY DEMO_SCRIPT SCREENSHOT_DIR
set -euo pipefail

demo=$(realpath "$1")
demo_script=$(realpath "$2")
shots=$(realpath -m "$3")

work=$(mktemp -d /tmp/veltrano-gui.XXXXXX)
xvfb_pid=""
demo_pid=""
cleanup() {
  if [ -n "$demo_pid" ]; then kill "$demo_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in demo.out demo.err xvfb.err log.txt; do
    if [ -s "$work/$f" ]; then
      echo "--- $f" >&2
      cat "$work/$f" >&2
    fi
  done
  exit 1
}

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ! "$@" 2>/dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

drive="$work/usb"
bash "$demo_script" --make-drive "$drive"

# Xvfb picks a free display number itself and reports it on descriptor 3.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
wait_for 30 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

"$demo" --log "$work/log.txt" "E:removable:$drive" >"$work/demo.out" 2>"$work/demo.err" &
demo_pid=$!
wait_for 60 grep -q '^menu menunet ' "$work/demo.out" || fail "the window did not come up"

# Click the middle of the first menu command, where the window says it is.
read -r _ name x y w h < <(grep '^menu menuqim ' "$work/demo.out")
[ "$name" = "menuqim" ] || fail "no place for menuqim"
xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
wait_for 60 grep -q '共清除病毒数' "$work/log.txt" || fail "the sweep did not finish"
kill -0 "$demo_pid" 2>/dev/null || fail "the window closed during the sweep"

# Give the list a moment to paint the last lines, then keep the picture.
sleep 1
mkdir -p "$shots"
import -window root "$shots/usb_sweep_screen.png"
window=$(xdotool search --sync --pid "$demo_pid" --name 'Veltrano9.1' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window")"
convert "$shots/usb_sweep_screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
  "$shots/usb_sweep_window.png"
colours=$(convert "$shots/usb_sweep_window.png" -format %k info:)
[ "$colours" -gt 8 ] || fail "the screenshot is nearly blank ($colours colours)"
echo "screenshots: $shots/usb_sweep_window.png, $shots/usb_sweep_screen.png"

# The log: drive header and autorun lines in order, the root entries in the
# order the stick lists them, then three empty lines and the count.
python3 - "$work/log.txt" <<'PY' || fail "the scan log is not what the sweep should write"
import sys
lines = open(sys.argv[1], encoding="utf-8").read().split("\n")[:-1]
head = ["", "可移动磁盘E:\\", "    发现病毒：RavMonE.exe 已清除！", "    发现病毒文件：autorun.inf 已清除！"]
tail = ["", "", "", "    共清除病毒数： 4个！"]
root = ["    发现伪文件夹病毒：docs.exe 已清除！", "    docs 文件夹恢复成功!",
        "    发现可疑病毒文件：photos.scr 已清除！"]
ok = lines[:4] == head and lines[-4:] == tail and sorted(lines[4:-4]) == sorted(root)
# The folder line follows its look-alike's line.
ok = ok and lines.index(root[1]) == lines.index(root[0]) + 1
if not ok:
    print("log was:", *lines, sep="\n  ", file=sys.stderr)
sys.exit(0 if ok else 1)
PY

# The stick: the worm's files are gone, the hidden folder is visible again with
# its content, and the ordinary entries are untouched.
for gone in autorun.inf RavMonE.exe docs.exe photos.scr; do
  [ ! -e "$drive/$gone" ] || fail "$gone is still on the stick"
done
[ -f "$drive/docs/report.txt" ] || fail "the hidden folder's content is gone"
if attr=$(getfattr --only-values -n user.DOSATTRIB "$drive/docs" 2>/dev/null); then
  [ $((attr & 2)) -eq 0 ] || fail "docs is still hidden ($attr)"
fi
[ -f "$drive/readme.txt" ] && [ -f "$drive/music/song.txt" ] || fail "an ordinary entry was touched"

echo "gui_usb_sweep_end_to_end: 1 passed, 0 failed"
