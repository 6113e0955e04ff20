#!/usr/bin/env bash
# Checks a built Veltrano package: its control fields and file list, lintian,
# the desktop entry, metainfo, icons and changelog as installed; the
# programs run from a scratch root unpacked with dpkg -x (their --version and
# a sweep of a scratch drive); and the window started as /usr/bin/veltrano,
# the package's own layout laid over /usr/bin in a mount namespace of its
# own, opening straight away without an install offer.
#
#   check_deb.sh DEB SOURCE_DIR
set -euo pipefail

deb=$(realpath "$1")
src=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d /tmp/veltrano-deb.XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

wait_for() {
  local tries=$(($1 * 10))
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

field() { dpkg-deb -f "$deb" "$1"; }

# --- control fields
version=$(field Version)
arch=$(dpkg --print-architecture)
[ "$(field Package)" = veltrano ] || fail "Package is '$(field Package)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
[ "$(basename "$deb")" = "veltrano_${version}_${arch}.deb" ] || fail "the file is named $(basename "$deb")"
depends=$(field Depends)
for dep in 'libc6 (>= ' 'libstdc++6 (>= ' 'libqt6widgets6 (>= ' 'libqt6network6 (>= ' \
  'fonts-arphic-uming | '; do
  [[ "$depends" == *"$dep"* ]] || fail "Depends lacks '$dep': $depends"
done
for name in Maintainer Section Priority Homepage Installed-Size; do
  [ -n "$(field "$name")" ] || fail "no $name field"
done
[ "$(field Description | wc -l)" -ge 3 ] || fail "the description has no extended part"
ok "control fields of veltrano $version ($arch), Depends: $depends"

# --- file list: exactly the expected files, owned by root, with Debian's modes
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { print substr($6, 2) }' "$work/contents" | sort >"$work/files"
if ! diff -u <(sort "$here/expected-files.txt") "$work/files" >"$work/files.diff"; then
  fail "the file list differs from tests/packaging/expected-files.txt:"
  cat "$work/files.diff" >&2
fi
while read -r mode owner _ _ _ path _; do
  case "$mode:$path" in
    d*) want=drwxr-xr-x ;;
    *:./usr/bin/*) want=-rwxr-xr-x ;;
    *) want=-rw-r--r-- ;;
  esac
  [ "$mode" = "$want" ] || fail "$path has mode $mode, not $want"
  [ "$owner" = root/root ] || fail "$path is owned by $owner"
done <"$work/contents"
ok "file list ($(wc -l <"$work/files") files) and modes"

# --- lintian: no errors and no warnings
if lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian" 2>"$work/lintian.err"; then
  ok "lintian"
else
  fail "lintian:"
  cat "$work/lintian" "$work/lintian.err" >&2
fi

# --- unpacked into a scratch root
root="$work/root"
dpkg -x "$deb" "$root"
share="$root/usr/share"

metainfo=$(ls "$share"/metainfo/*.metainfo.xml)
id=$(basename "$metainfo" .metainfo.xml)
desktop="$share/applications/$id.desktop"
[ -f "$desktop" ] || fail "no desktop entry named after the id $id"
desktop-file-validate "$desktop" >"$work/dfv" 2>&1 || fail "desktop-file-validate: $(cat "$work/dfv")"
appstreamcli validate --no-net "$metainfo" >"$work/asv" 2>&1 || fail "appstreamcli: $(cat "$work/asv")"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
grep -q '<screenshot type="default">' "$metainfo" || fail "the metainfo has no screenshot"
grep -q '<p xml:lang="zh_CN">' "$metainfo" || fail "the metainfo has no Chinese description"
for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo"); do
  [ -x "$root/usr/bin/$binary" ] || fail "the metainfo provides $binary, which is not in /usr/bin"
done
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "the desktop entry's icon is not $id"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program'"
ok "desktop entry and metainfo valid, one id: $id"

for icon in "$share"/icons/hicolor/*/apps/*.png; do
  size=$(basename "$(dirname "$(dirname "$icon")")")
  [ "$(basename "$icon")" = "$id.png" ] || fail "icon $icon is not named $id.png"
  [ "$(identify -format '%wx%h' "$icon")" = "$size" ] || fail "icon $icon is not $size"
done
original="$share/icons/hicolor/32x32/apps/$id.png"
[ "$(compare -metric AE "$src/assets/veltrano_icon.xpm" "$original" null: 2>&1)" = 0 ] ||
  fail "the 32x32 icon is not the window icon's pixels"
[ "$(identify -format '%k' "$original")" -le 16 ] || fail "the 32x32 icon has more than 16 colours"
ok "icons: $(ls "$share"/icons/hicolor | tr '\n' ' ')"

zcat "$share/doc/veltrano/changelog.gz" | head -n1 | grep -q "^veltrano ($version) " ||
  fail "the changelog does not start with version $version"

for program in veltrano veltrano-cli anigif-tool; do
  line=$("$root/usr/bin/$program" --version 2>&1) || fail "installed $program --version failed"
  [ "$line" = "$program (Veltrano) $version" ] || fail "installed $program --version: '$line'"
done
ok "installed --version: $("$root/usr/bin/veltrano-cli" --version)"

# One sweep of a scratch removable drive by the installed veltrano-cli.
drive="$work/usb"
mkdir -p "$drive"
printf '[autorun]\r\nopen=virus.exe\r\n' >"$drive/autorun.inf"
echo worm >"$drive/virus.exe"
echo keep >"$drive/notes.txt"
status=0
(cd "$work" && "$root/usr/bin/veltrano-cli" --drive "E:removable:$drive" menuqim) \
  >"$work/sweep.out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the sweep ended with status $status"
for line in '可移动磁盘E:\' '    发现病毒：virus.exe 已清除！' '    发现病毒文件：autorun.inf 已清除！' \
  '    共清除病毒数： 2个！'; do
  grep -qxF "$line" "$work/sweep.out" || fail "the sweep did not log '$line'"
done
[ "$(ls "$drive")" = notes.txt ] || fail "the scratch drive holds: $(ls "$drive" | tr '\n' ' ')"
if [ "$failures" -ne 0 ]; then cat "$work/sweep.out" >&2; fi
ok "installed veltrano-cli swept a scratch drive: $(grep -c '已清除' "$work/sweep.out") removals"

# --- the window as the package installs it: /usr/bin/veltrano makes no offer
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_RUNTIME_DIR="$work/xdg"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY XDG_DESKTOP_DIR
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
wait_for 30 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
namespace=(unshare --mount --propagation private)
if [ "$(id -u)" -ne 0 ]; then namespace=(unshare --user --map-root-user --mount); fi
"${namespace[@]}" bash -c 'mount -t overlay veltrano-bin -o "lowerdir=$1:/usr/bin" /usr/bin &&
  exec /usr/bin/veltrano' _ "$root/usr/bin" 2>"$work/app.err" &
app_pid=$!
caption="Veltrano${version}正式版"
if wait_for 60 xdotool search --name "^$caption\$"; then
  window=$(xdotool search --name "^$caption\$" | head -n1)
  if xdotool search --name '^推荐安装$' >/dev/null 2>&1; then fail "/usr/bin/veltrano made the install offer"; fi
  kill -0 "$app_pid" 2>/dev/null || fail "/usr/bin/veltrano ended by itself"
  [ ! -e "$HOME/.local/bin" ] && [ -z "$(ls -A "$HOME/Desktop" 2>/dev/null)" ] ||
    fail "/usr/bin/veltrano wrote an install: $(find "$HOME" -type f)"
  # Kept for the home page: the picture the metainfo's screenshot names.
  shots="$(dirname "$deb")/screenshots"
  mkdir -p "$shots"
  sleep 1
  import -window "$window" "$shots/main-window.png"
  ok "/usr/bin/veltrano opened its window without an offer (screenshot $shots/main-window.png)"
else
  fail "/usr/bin/veltrano showed no window '$caption'$(
    xdotool search --name '^推荐安装$' >/dev/null 2>&1 && echo ' but made the install offer')"
  cat "$work/app.err" >&2
fi

if [ "$failures" -ne 0 ]; then
  echo "package check: $failures failed" >&2
  exit 1
fi
echo "package check: $(basename "$deb") passed"
