#!/usr/bin/env bash
# One sweep, repair and cleanup of an infected USB stick, end to end: the
# stick is a FAT image laid out with mtools as a worm and its user leave it,
# attached to a real kernel as a USB mass-storage device (so sysfs calls it
# removable) and mounted by the kernel's vfat driver; veltrano-cli --mounts
# lists the drives (the stick must be D:, removable, attributes in the FAT)
# and runs menuqim, reudir and menuclean there. Afterwards the host reads the
# image with mtools: the worm's files and the junk are gone, the hidden
# folders are visible again, and every user file is there with its content.
#
#   usb_stick_test.sh VELTRANO_CLI
set -euo pipefail

[ $# = 1 ] || { echo "usage: $0 VELTRANO_CLI" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
export LC_ALL=C.UTF-8 MTOOLS_SKIP_CHECK=1

work=$(mktemp -d "${TMPDIR:-/tmp}/veltrano-stick.XXXXXX")
trap 'rm -rf "$work"' EXIT
stick=$work/stick.img
truncate -s 64M "$stick"
mkfs.vfat -n STICK "$stick" >/dev/null

# Entries in the order the stick's directories will list them.
put() {  # put PATH CONTENT [ATTRIBUTES]
  printf '%s' "$2" >"$work/content"
  mcopy -i "$stick" "$work/content" "::/$1"
  [ -z "${3:-}" ] || mattrib -i "$stick" $3 "::/$1"
}
folder() {  # folder PATH [ATTRIBUTES]
  mmd -i "$stick" "::/$1"
  [ -z "${2:-}" ] || mattrib -i "$stick" $2 "::/$1"
}
put autorun.inf $'[AutoRun]\r\nopen=worm.exe\r\nshellexecute=tools\\helper.exe\r\n' "+r +h +s"
put worm.exe "MZ worm" "+r +h +s"
folder tools
put tools/helper.exe "MZ helper" "+h"
put tools/manual.txt "how to use the tools"
folder Photos "+h +s"
put Photos/holiday.jpg "JPEG holiday"
put Photos/Thumbs.db "thumbnails" "+h +s"
put Photos.exe "MZ fake folder"
put svchost.exe "MZ hidden system" "+h +s"
put notes.exe "a program the user hid" "+h"
put README.PIF "MZ pif"
put setup.scr "MZ scr"
put codec.dl "MZ dl"
put codec.dll "a real library"
folder Music "+h"
put Music/song.mp3 "ID3 song"
folder 资料 "+h"
put 资料/报告.txt "年度报告"
folder RECYCLED "+h +s"
put RECYCLED/INFO2 "recycle bin index"
folder FOUND.000
put FOUND.000/FILE0000.CHK "fragment"
folder docs
put docs/report.doc "the report"
put docs/setup.tmp "kept: not in a system folder"
put docs/desktop.ini "kept: the real one"
put docs/Desktop_.ini "shell leftover"
put docs/FOLDER.HTT "shell leftover"
folder .git
put .git/Thumbs.db "kept: folders starting with a dot are not searched"
put readme.txt "read me"

status=0
"$here/../../scripts/run-in-kernel.sh" --image "$stick" --usb --fstype vfat --mount /media/usb \
  --log "$work/console" -- "$here/usb_stick_guest.sh" "$cli" >/dev/null || status=$?
sed -n '/^stick: /,/^@@ end$/p' "$work/console"
if [ "$status" != 0 ]; then
  tail -n 40 "$work/console" >&2
  echo "usb_stick_test: the guest ended with status $status" >&2
  exit 1
fi

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# What each command printed, as the window would show it.
section() { sed -n "/^@@ veltrano-cli --mounts \(--answer yes \)\{0,1\}$1\$/,/^@@ /{/^@@ /d;p}" "$work/console"; }
expect() {  # expect COMMAND EXPECTED-TEXT
  local got
  got=$(section "$1")
  [ "$got" = "$2" ] || fail "$1 printed:
$got
--- instead of:
$2"
}
grep -qx 'stick: /dev/sda, removable=1' "$work/console" || fail "the stick was not a removable /dev/sda"
# The stick is D:, removable because sysfs says so, its attributes in the FAT.
expect drives "$(printf 'drive\ttype\tfolder\tfile system\tattributes\nC:\tfixed\t/\ttmpfs\tuser.DOSATTRIB\nD:\tremovable\t/media/usb\tvfat\tfat-attributes')"
expect menuqim "scan log (15 lines):

可移动磁盘D:\\
    发现病毒：worm.exe 已清除！
    发现病毒：tools\\helper.exe 已清除！
    发现病毒文件：autorun.inf 已清除！
    发现伪文件夹病毒：photos.exe 已清除！
    photos 文件夹恢复成功!
    发现可疑病毒：svchost.exe 已清除！
    发现可疑病毒文件：readme.pif 已清除！
    发现可疑病毒文件：setup.scr 已清除！
    发现可疑病毒文件：codec.dl 已清除！



    共清除病毒数： 8个！
selected line: 12
status strip: "
expect reudir "scan log (5 lines):
修复丢失文件夹  D:\\Music
修复丢失文件夹  D:\\资料


 U盘修复完毕,共修复文件夹： 2个！
selected line: 3
status strip: "
expect menuclean "message box: 删除 | 是否删除所有文件? -> yes
message box: Veltrano | 磁盘清理完毕！ -> ok
scan log (5 lines):
删除 D:\\Photos\\Thumbs.db
删除 D:\\RECYCLED\\INFO2
删除 D:\\FOUND.000\\FILE0000.CHK
删除 D:\\docs\\Desktop_.ini
删除 D:\\docs\\FOLDER.HTT
selected line: 4
status strip: 查找到无用（垃圾）文件个数: 5"

# The stick as the host's own FAT reader sees it now.
mdir -i "$stick" -/ -a -b :: | sed 's|^::/||; s|/$||' | sort >"$work/left"
printf '%s\n' .git .git/Thumbs.db FOUND.000 Music Music/song.mp3 Photos Photos/holiday.jpg \
  RECYCLED codec.dll docs docs/desktop.ini docs/report.doc docs/setup.tmp notes.exe readme.txt \
  tools tools/manual.txt 资料 资料/报告.txt | sort >"$work/want"
diff -u "$work/want" "$work/left" >&2 || fail "the stick holds other entries than expected (- expected, + found)"

attributes() { mattrib -i "$stick" "::/$1" | sed 's| *::/.*||' | tr -d ' '; }
for f in Photos Music 资料 tools docs; do
  [ "$(attributes "$f")" = "" ] || fail "$f has attributes '$(attributes "$f")', expected none"
done
[ "$(attributes RECYCLED)" = SH ] || fail "RECYCLED has attributes '$(attributes RECYCLED)', expected SH"
[ "$(attributes notes.exe)" = AH ] || fail "notes.exe has attributes '$(attributes notes.exe)', expected AH"

content() { mtype -i "$stick" "::/$1"; }
for pair in "Photos/holiday.jpg:JPEG holiday" "Music/song.mp3:ID3 song" "资料/报告.txt:年度报告" \
  "docs/report.doc:the report" "readme.txt:read me" "codec.dll:a real library" \
  "tools/manual.txt:how to use the tools"; do
  [ "$(content "${pair%%:*}")" = "${pair#*:}" ] || fail "${pair%%:*} does not hold '${pair#*:}'"
done
fsck.vfat -n "$stick" >"$work/fsck" 2>&1 || { cat "$work/fsck" >&2; fail "fsck.vfat finds the stick damaged"; }

[ "$failures" = 0 ] || { echo "usb_stick_test: $failures checks failed" >&2; exit 1; }
echo "usb_stick_test: the stick is clean and every user file is intact"
