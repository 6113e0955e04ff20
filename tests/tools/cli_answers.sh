#!/usr/bin/env bash
# veltrano-cli.exe with its standard input not a console: a cleanup without
# --answer deletes nothing and says why on standard error; with --answer yes
# it deletes, and each of several commands prints its log under its name.
#
#   cli_answers.sh WINDOWS_CLI WINE_RUN PREFIX WORKDIR
set -euo pipefail

cli=$1 wine_run=$2 prefix=$3 work=$(realpath -m "$4")
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work/c"
: >"$work/c/Thumbs.db"
# The work folder as the prefix's B: drive (the build folder) shows it.
"$(dirname "$wine_run")/wine-prefix.sh" "$prefix"
build=$(cat "$(realpath -m "$prefix")/.veltrano-build")
rest=${work#"$build"}
drive="C:fixed:B:${rest//\//\\}\\c"

"$wine_run" --prefix "$prefix" "$cli" --drive "$drive" menuclean \
  </dev/null >"$work/out" 2>"$work/err" || fail "exit status $?"
grep -qxF 'message box: 删除 | 是否删除所有文件? -> no' "$work/out" || fail "not answered no: $(cat "$work/out")"
grep -qF 'no terminal to ask' "$work/err" || fail "no word on stderr: $(cat "$work/err")"
[ -e "$work/c/Thumbs.db" ] || fail "deleted without an answer"

"$wine_run" --prefix "$prefix" "$cli" --drive "$drive" --answer yes menuclean mhelp \
  </dev/null >"$work/out" 2>"$work/err" || fail "exit status $?"
[ ! -e "$work/c/Thumbs.db" ] || fail "not deleted with --answer yes"
[ "$(grep -c '^command: ' "$work/out")" = 2 ] || fail "not two parts: $(cat "$work/out")"
sed -n '1p' "$work/out" | grep -qxF 'command: menuclean' || fail "first part: $(cat "$work/out")"
grep -qxF 'scan log (1 lines):' "$work/out" || fail "no cleanup log: $(cat "$work/out")"
grep -qxF 'command: mhelp' "$work/out" || fail "no mhelp part"
echo "ok"
