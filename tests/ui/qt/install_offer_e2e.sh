#!/usr/bin/env bash
# The real program started from a downloads folder, under an Xvfb of its own,
# with a home folder of its own: the install offer is shown and accepted with
# the keyboard, the program copies itself to ~/.local/bin, puts Veltrano.desktop
# on the desktop, shows its welcome, opens the home page and ends. Started
# again from the installed copy it makes no offer and opens its window.
# Screenshots of the boxes and the window are kept.
#
#   install_offer_e2e.sh VELTRANO_BINARY SCREENSHOT_DIR
set -euo pipefail

program=$(realpath "$1")
shots=$(realpath -m "$2")

work=$(mktemp -d /tmp/veltrano-install.XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in app.err xvfb.err opened.txt; do
    if [ -s "$work/$f" ]; then
      echo "--- $f" >&2
      cat "$work/$f" >&2
    fi
  done
  exit 1
}

wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# Shows the window named $1, gives it the keyboard, keeps a picture of it and
# presses Return (the default button).
answer_box() {
  local title=$1 shot=$2 window
  wait_for 60 xdotool search --name "^$title\$" || fail "no box \"$title\""
  window=$(xdotool search --name "^$title\$" | head -n1)
  sleep 0.5
  import -window "$window" "$shots/$shot"
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers Return
}

# A home of its own; the desktop has no browser, only a stand-in that notes
# what it is asked to open.
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
unset XDG_DESKTOP_DIR BROWSER DEFAULT_BROWSER
mkdir -p "$HOME" "$work/bin" "$work/Downloads"
cat >"$work/bin/xdg-open" <<STUB
#!/bin/sh
echo "\$@" >>"$work/opened.txt"
STUB
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
cp "$program" "$work/Downloads/veltrano"

# -noreset: when the installing run, its last client, ends, a resetting
# server refused the installed copy that connected a moment later (1 run in 3).
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
wait_for 30 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
mkdir -p "$shots"

# Started from elsewhere than its own folder: the copy must still be itself.
cd "$work"
"$work/Downloads/veltrano" 2>"$work/app.err" &
app_pid=$!
answer_box "推荐安装" install_offer.png
answer_box "欢迎使用" install_welcome.png
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with $status after installing"

installed="$HOME/.local/bin/veltrano"
[ -x "$installed" ] || fail "no executable copy in ~/.local/bin"
cmp -s "$installed" "$program" || fail "the copy is not the program"
entry="$HOME/Desktop/Veltrano.desktop"
[ -x "$entry" ] || fail "no executable desktop entry"
grep -qx "Exec=\"$installed\"" "$entry" || fail "the entry does not start the copy: $(cat "$entry")"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -s "$icon" ] && [ "$(head -c 4 "$icon" | tail -c 3)" = "PNG" ] || fail "no icon at '$icon'"
wait_for 10 grep -q '^https://' "$work/opened.txt" || fail "the home page was not opened"

# The installed copy makes no offer: its window comes up directly.
"$installed" 2>>"$work/app.err" &
app_pid=$!
wait_for 60 xdotool search --name '^Veltrano9.1正式版$' || fail "the installed copy shows no window"
if xdotool search --name '^推荐安装$' >/dev/null 2>&1; then fail "the installed copy made the offer"; fi
window=$(xdotool search --name '^Veltrano9.1正式版$' | head -n1)
sleep 1
import -window "$window" "$shots/installed_window.png"
kill -0 "$app_pid" || fail "the installed copy ended by itself"

echo "screenshots: $shots/install_offer.png, $shots/install_welcome.png, $shots/installed_window.png"
echo "gui_install_offer_end_to_end: 1 passed, 0 failed"
