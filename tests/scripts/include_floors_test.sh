#!/bin/bash
# The include-floor check on small trees of its own: it passes a tree whose
# includes point down and names each include that runs up or sideways.
#   include_floors_test.sh CHECKER
set -u
checker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/tree/platform/fs" "$work/tree/app" "$work/tree/sweep" "$work/tree/repair" \
  "$work/tree/cleanup" "$work/tree/commands" "$work/tree/tests/sweep" "$work/tree/bench" \
  "$work/tree/ui/qt"
echo '#pragma once' > "$work/tree/platform/fs/file_system.h"
printf '#include "platform/fs/file_system.h"\n' > "$work/tree/app/form_state.h"
printf '#include "app/form_state.h"\n' > "$work/tree/sweep/scan_drives.h"
printf '#include "app/form_state.h"\n' > "$work/tree/cleanup/cleanup_command.h"
printf '#include "app/form_state.h"\n#include "table.inc"\n' > "$work/tree/repair/folder_repair.cpp"
echo '' > "$work/tree/repair/table.inc"
printf '#include "sweep/scan_drives.h"\n#include "cleanup/cleanup_command.h"\n' \
  > "$work/tree/commands/form1.cpp"
echo '#pragma once' > "$work/tree/ui/qt/main_window.h"
# Tests include what they test, from any floor, and their helpers; a
# benchmark names a helper of tests/ by its file name.
echo '#pragma once' > "$work/tree/tests/sweep/link_writer.h"
printf '#include "link_writer.h"\n#include "ui/qt/main_window.h"\n#include <vector>\n' \
  > "$work/tree/tests/sweep/sweep_test.cpp"
printf '#include "link_writer.h"\n#include "commands/form1.cpp"\n' > "$work/tree/bench/b.cpp"

out=$(python3 "$checker" "$work/tree" 2>&1)
[ $? -eq 0 ] || fail "a tree whose includes point down is refused: $out"

# Up a floor, sideways to a neighbour, and a folder on no floor.
printf '#include "commands/form1.h"\n' > "$work/tree/commands/form1.h"
printf '#include "platform/fs/file_system.h"\n#include "commands/form1.h"\n' \
  > "$work/tree/app/form_state.h"
printf '#include "app/form_state.h"\n#include "cleanup/cleanup_command.h"\n' \
  > "$work/tree/repair/folder_repair.cpp"
mkdir -p "$work/tree/extra" && echo '' > "$work/tree/extra/x.cpp"
# Written with angle brackets, a file of the tree counts all the same; a
# source may include no test helper, a test no benchmark.
printf '#include <commands/form1.h>\n' > "$work/tree/sweep/scan_drives.h"
printf '#include "tests/sweep/link_writer.h"\n' > "$work/tree/cleanup/cleanup_command.h"
printf '#include "bench/b.cpp"\n' > "$work/tree/tests/sweep/bench_test.cpp"
out=$(python3 "$checker" "$work/tree" 2>&1)
rc=$?
[ $rc -eq 1 ] || fail "exit status $rc, not 1, for a tree with offending includes"
grep -q '^app/form_state.h:2: app includes "commands/form1.h"' <<<"$out" ||
  fail "the upward include is not named: $out"
grep -q '^repair/folder_repair.cpp:2: repair includes "cleanup/cleanup_command.h"' <<<"$out" ||
  fail "the sideways include is not named: $out"
grep -q '^extra/x.cpp: its folder stands on no floor' <<<"$out" ||
  fail "a folder on no floor is not named: $out"
grep -q '^sweep/scan_drives.h:1: sweep includes "commands/form1.h"' <<<"$out" ||
  fail "an include in angle brackets is not checked: $out"
grep -q '^cleanup/cleanup_command.h:1: cleanup includes "tests/sweep/link_writer.h"' <<<"$out" ||
  fail "a source including a test helper is not named: $out"
grep -q '^tests/sweep/bench_test.cpp:1: tests includes "bench/b.cpp"' <<<"$out" ||
  fail "a test including a benchmark is not named: $out"
[ "$(grep -c ':[0-9]*: ' <<<"$out")" -eq 5 ] || fail "includes that point down are named too: $out"

[ $failures -eq 0 ] && echo "include floors: all checks passed"
exit $((failures != 0))
