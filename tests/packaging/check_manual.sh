#!/usr/bin/env bash
# A program's --help, --version and manual page agree: every command and
# option that --help lists is a tagged item of the manual, every item of the
# manual's COMMANDS and OPTIONS is in --help, and --version names the version
# the manual's footer carries. The page renders without a warning.
#
#   check_manual.sh PROGRAM MANUAL VERSION
set -euo pipefail

program=$1
manual=$2
version=$3
name=$(basename "$program")
failures=0
fail() {
  echo "FAIL ($name): $*" >&2
  failures=$((failures + 1))
}

export LC_ALL=C.UTF-8 MANWIDTH=100
help=$("$program" --help) || fail "--help ended with status $?"
[ -n "$help" ] || fail "--help printed nothing"
short_help=$("$program" -h) || fail "-h ended with status $?"
[ "$short_help" = "$help" ] || fail "-h and --help differ"

version_line=$("$program" --version) || fail "--version ended with status $?"
[ "$version_line" = "$name (Veltrano) $version" ] ||
  fail "--version printed '$version_line', not '$name (Veltrano) $version'"

warnings=$(man --warnings -E UTF-8 -l "$manual" 2>&1 >/dev/null) || fail "man cannot render $manual"
[ -z "$warnings" ] || fail "the manual renders with warnings: $warnings"
page=$(man -E UTF-8 -l "$manual" 2>/dev/null)
footer=$(printf '%s\n' "$page" | tail -n1)
[[ "$footer" == "Veltrano $version "* ]] || fail "the manual's footer is '$footer'"
grep -q '^EXIT STATUS$' <<<"$page" || fail "the manual has no EXIT STATUS"
grep -q '^EXAMPLES$' <<<"$page" || fail "the manual has no EXAMPLES"

# Items of --help: option words anywhere, and the first word of lines
# indented by two to four blanks (its table of commands and options).
help_items=$(
  {
    grep -oE -- '(^|[^[:alnum:]-])--?[a-z][a-z-]*' <<<"$help" | sed -E 's/^[^-]+//'
    grep -oE '^ {2,4}[a-z][a-z0-9-]*( |,|$)' <<<"$help" | tr -d ' ,' || true
  } | sort -u
)
# Tags of the manual's tagged paragraphs (the line after each .TP), by
# section, as plain words: "OPTIONS --help -h".
tags=$(awk '
  /^\.SH / { section = $2; gsub(/"/, "", section); next }
  tag { tag = 0; sub(/^\.[A-Z]+ /, ""); gsub(/\\-/, "-"); gsub(/["\\]/, " ")
        gsub(/\\f[BIRP]/, ""); print section, $0 }
  /^\.TP/ { tag = 1 }' "$manual")

for item in $help_items; do
  grep -qE -- "[ ]$item([ ,:]|$)" <<<"$tags" ||
    fail "'$item' is in --help but no item of the manual"
done

# The first word of each item of COMMANDS and OPTIONS is something --help lists.
manual_items=$(awk '$1 == "COMMANDS" || $1 == "OPTIONS" { print $2 }' <<<"$tags" | sort -u)
[ -n "$manual_items" ] || fail "the manual lists no commands or options"
for item in $manual_items; do
  grep -qxF -- "$item" <<<"$help_items" || fail "the manual's '$item' is not in --help"
done

# The exit statuses --help names ("Exit status: 0 ...; 1 ...; 2 ...") are the
# items of the manual's EXIT STATUS.
help_codes=$(sed -n '/Exit status:/,$p' <<<"$help" | tr '\n' ' ' |
  grep -oE '(:|;) *[0-9]+ ' | grep -oE '[0-9]+' | sort -u | tr '\n' ' ' || true)
if [ -n "$help_codes" ]; then
  manual_codes=$(awk '$1 == "EXIT" { print $2 }' <<<"$tags" | sort -u | tr '\n' ' ')
  [ "$help_codes" = "$manual_codes" ] ||
    fail "--help names the exit statuses '$help_codes', the manual '$manual_codes'"
fi

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "$name: --help, --version and the manual agree ($(wc -w <<<"$help_items") items)"
