#!/usr/bin/env bash
# anigif-tool.exe under Wine with file and folder names that the ANSI code
# page cannot hold (Hangul and Thai are in neither code page 1252 nor 936):
# it must read the GIF, and write the exported frame and the frames folder
# under exactly the names it was given.
#
#   anigif_tool_names.sh ANIGIF_TOOL_EXE WINE_RUN PREFIX WORKDIR GIF
set -euo pipefail

tool=$1 wine_run=$2 prefix=$3 work=$(realpath -m "$4") gif=$5

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cp "$gif" "$work/배너 ภาพ.gif"
cd "$work"  # Wine starts the program in the same folder, as B:\...

run() { "$wine_run" --prefix "$prefix" "$tool" "$@"; }

out=$(run info "배너 ภาพ.gif") || fail "info could not read the file"
grep -q '^frames: [1-9]' <<<"$out" || fail "info printed no frames: $out"

run export "배너 ภาพ.gif" 1 "첫 프레임.gif" || fail "export failed"
[ -f "$work/첫 프레임.gif" ] || fail "the exported frame is not under its name: $(ls "$work")"
[ "$(head -c 6 "$work/첫 프레임.gif")" = GIF89a ] || [ "$(head -c 6 "$work/첫 프레임.gif")" = GIF87a ] ||
  fail "the exported frame is not a GIF"

run frames "배너 ภาพ.gif" "프레임들" || fail "frames failed"
[ -f "$work/프레임들/frame_0001.ppm" ] || fail "no frame_0001.ppm in the named folder: $(ls "$work")"

# A name that does not exist is still reported with its own characters.
err=$(run info "없음.gif" 2>&1 >/dev/null) && fail "a missing file was read"
grep -q '없음.gif' <<<"$err" || fail "the error does not name the file: $err"
echo "ok"
