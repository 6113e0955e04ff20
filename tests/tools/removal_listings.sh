#!/usr/bin/env bash
# veltrano-cli.exe under Wine removes thousands of files from one folder, in
# the sweep and in the cleanup, and Wine must not list that folder again for
# each of them (it looks for a name it cannot find in every case, which costs
# a listing of the whole folder). Counted with strace: the folder reads
# (getdents64) of each run stay a handful whatever the folder holds.
#
#   removal_listings.sh WINDOWS_CLI WINE_RUN PREFIX WORKDIR
set -euo pipefail

cli=$1 wine_run=$2 prefix=$(realpath -m "$3") work=$(realpath -m "$4")
command -v strace >/dev/null || { echo "no strace: skipped"; exit 77; }
files=3000
limit=200  # Wine's start-up and a few listings; one per removal would be thousands

"$(dirname "$wine_run")/wine-prefix.sh" "$prefix"
build=$(cat "$prefix/.veltrano-build")
windows_path() {  # a host path inside the build folder as the prefix's B: shows it
  local rest=${1#"$build"}
  printf 'B:%s' "${rest//\//\\}"
}

make_files() {  # FOLDER PREFIX SUFFIX COUNT
  mkdir -p "$1"
  (cd "$1" && seq 1 "$4" | sed "s/^/$2/;s/\$/$3/" | xargs touch)
}

# Folder reads and the number of files left, for one traced run.
count() {  # NAME ARGS...
  local name=$1
  shift
  # Wine alone is traced, not the prefix checks of wine-run.sh around it.
  VELTRANO_WINE_WRAPPER="strace -f -qq -c -e trace=getdents64 -o $work/$name.strace" \
    "$wine_run" --prefix "$prefix" "$cli" "$@" >"$work/$name.log" 2>&1 || true
  awk '$NF == "getdents64" {print $4}' "$work/$name.strace"
}

rm -rf "$work"
mkdir -p "$work"
# Wine's server and helpers start here, outside the traced runs.
"$wine_run" --prefix "$prefix" "$cli" --help >/dev/null 2>&1

status=0
make_files "$work/usb" decoy .scr $files
reads=$(count sweep --drive "E:removable:$(windows_path "$work/usb")" --answer yes menuqim)
left=$(find "$work/usb" -type f | wc -l)
echo "sweep: $files files removed, $left left, $reads folder reads"
if [ "$left" -ne 0 ] || [ "${reads:-0}" -gt $limit ]; then status=1; fi

make_files "$work/c/a/Cookies" a .txt $((files / 2))
make_files "$work/c/b/Cookies" b .txt $((files / 2))
reads=$(count cleanup --drive "C:fixed:$(windows_path "$work/c")" --answer yes menuclean)
left=$(find "$work/c" -type f | wc -l)
echo "cleanup: $files files deleted, $left left, $reads folder reads"
if [ "$left" -ne 0 ] || [ "${reads:-0}" -gt $limit ]; then status=1; fi

[ $status -eq 0 ] && rm -rf "$work"
exit $status
