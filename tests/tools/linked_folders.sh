#!/usr/bin/env bash
# Wine shows a Linux symbolic link as a plain file, and its DeleteFileW
# deletes what the link points at. So a Windows command is never started on
# a folder that holds a link to outside it: given as a drive (--drive), or as
# the prefix's own removable drive E:. The refusal leaves the target and the
# link in place; a folder without such links is swept as ever.
#
#   linked_folders.sh WINE_RUN PREFIX WINDOWS_CLI WORKDIR
set -euo pipefail

wine_run=$1 prefix=$(realpath -m "$2") cli=$3 work=$(realpath -m "$4")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
"$(dirname "$wine_run")/wine-prefix.sh" "$prefix"
build=$(cat "$prefix/.veltrano-build")
stick=$prefix/drives/e
rm -rf "$work"
mkdir -p "$work/stick" "$work/outside"
trap 'rm -f "$stick/x.scr"' EXIT
case $work in "$build"/*) ;; *) fail "the work folder $work is not inside $build" ;; esac
windows_work="B:$(printf '%s' "${work#"$build"}" | tr / '\\')"

run() {  # ARGS...: the sweep of the removable drives
  "$wine_run" --prefix "$prefix" "$cli" "$@" menuqim >"$work/out.txt" 2>&1
}

echo keep >"$work/outside/keep.scr"
ln -s ../outside/keep.scr "$work/stick/x.scr"
run --drive "E:removable:$windows_work\\stick" && fail "a folder with a link to outside it was swept"
grep -q 'links to outside' "$work/out.txt" || fail "the refusal does not say why: $(cat "$work/out.txt")"
[ "$(cat "$work/outside/keep.scr")" = keep ] || fail "the link's target was changed"
[ -L "$work/stick/x.scr" ] || fail "the link is gone"

# The same link on the prefix's removable drive E:.
ln -s "$work/outside/keep.scr" "$stick/x.scr"
run && fail "the machine's drives were swept with a link to outside on E:"
[ "$(cat "$work/outside/keep.scr")" = keep ] || fail "the link's target on E: was changed"
rm "$stick/x.scr"

# Without links the folder is swept.
rm "$work/stick/x.scr"
echo worm >"$work/stick/y.scr"
run --drive "E:removable:$windows_work\\stick" || fail "a folder without links was refused: $(cat "$work/out.txt")"
grep -q 'y.scr 已清除' "$work/out.txt" || fail "y.scr was not swept: $(cat "$work/out.txt")"
[ ! -e "$work/stick/y.scr" ] || fail "y.scr is still there"
echo "folders with links to outside them are refused"
