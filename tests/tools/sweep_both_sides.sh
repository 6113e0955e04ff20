#!/usr/bin/env bash
# Infected USB sticks, each swept and repaired three times: by the Linux
# veltrano-cli on a folder given as E:, by veltrano-cli.exe under Wine on the
# prefix's real removable drive E: (GetDriveTypeW says 2), and by
# veltrano-cli.exe on a folder given as E:. The three scan logs must be the
# same bytes and the three sticks must be left the same: the same entries,
# contents, and hidden, system and read-only bits as each side stores them
# (user.DOSATTRIB and the Unix write bit, which Wine and the Linux backend
# share). The Linux backend then reads the sticks the Windows side repaired.
#
# A root is listed in the platform's order (Wine sorts names as NTFS does,
# Linux gives the directory's own order), and the log follows it; so each
# stick holds at most one finding of the root walk (or one worm's shortcut
# with what goes with it), and the sticks together hold one of each kind.
#
#   sweep_both_sides.sh LINUX_CLI WINDOWS_CLI WINE_RUN PREFIX WORKDIR
set -euo pipefail

linux_cli=$1 windows_cli=$2 wine_run=$3 prefix=$(realpath -m "$4") work=$(realpath -m "$5")
"$(dirname "$wine_run")/wine-prefix.sh" "$prefix"
stick=$prefix/drives/e  # drive E: of the prefix, typed removable
[ -d "$stick" ] || { echo "no drive E: in $prefix" >&2; exit 1; }

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Shell links are written by the Linux build's test link writer.
write_link=$(dirname "$linux_cli")/write-test-link
[ -x "$write_link" ] || fail "no $write_link (build the Linux tree's write-test-link)"

# DOS attributes as Wine keeps them: hidden and system in user.DOSATTRIB,
# read-only as the missing write bit.
attrib() {  # PATH HEX
  setfattr -n user.DOSATTRIB -v "\"$2\"" "$1"
}

layout() {  # FOLDER ROUND
  local d=$1
  rm -rf "$d"
  mkdir -p "$d/docs"
  # What stays on every stick: plain files and folders.
  echo keep >"$d/keep.txt"
  echo keep >"$d/Setup.exe"
  echo keep >"$d/docs/notes.txt"
  case $2 in
    1)
      # The worm's autorun.inf, in code page 936: open=病毒.exe
      printf '[autorun]\r\nopen=\xb2\xa1\xb6\xbe.exe\r\nshellexecute=run.vbs\r\n' >"$d/autorun.inf"
      attrib "$d/autorun.inf" 0x6
      echo worm >"$d/病毒.exe"
      attrib "$d/病毒.exe" 0x6
      echo 'WScript.Echo 1' >"$d/run.vbs"
      # A read-only fake-folder program beside the folder it hides.
      mkdir "$d/文档"
      echo notes >"$d/文档/说明.txt"
      attrib "$d/文档" 0x6
      echo worm >"$d/文档.exe"
      chmod a-w "$d/文档.exe"
      ;;
    2)
      # A hidden system program, and a hidden folder for the repair.
      echo worm >"$d/svchost.exe"
      attrib "$d/svchost.exe" 0x6
      mkdir -p "$d/Music"
      echo song >"$d/Music/a.mp3"
      attrib "$d/Music" 0x2
      ;;
    3)
      echo x >"$d/Screen.SCR"
      ;;
    4)
      # A shortcut worm: the user's files in a hidden folder with a blank
      # name (U+00A0), a shortcut named like the drive that starts a hidden
      # DLL through rundll32.exe; beside it a shortcut of the user's.
      mkdir "$d/$nbsp"
      echo thesis >"$d/$nbsp/thesis.docx"
      attrib "$d/$nbsp" 0x6
      echo MZ >"$d/UsbCore.dll"
      attrib "$d/UsbCore.dll" 0x6
      "$write_link" "$d/USB DISK.lnk" idlist 'C:\Windows\System32\rundll32.exe' '"UsbCore.dll",DllInstall'
      "$write_link" "$d/Notes.lnk" idlist 'E:\keep.txt'
      ;;
  esac
}

# One line per entry: path, kind, hidden and system bits, read-only, content.
snapshot() {  # FOLDER
  (
    cd "$1"
    find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | while IFS= read -r p; do
      local kind=f sum=- bits ro=rw perms
      [ -d "$p" ] && kind=d
      [ "$kind" = f ] && sum=$(md5sum <"$p" | cut -c1-8)
      bits=$(getfattr --only-values -n user.DOSATTRIB "$p" 2>/dev/null || echo 0)
      perms=$(stat -c %A "$p")  # not [ -w ]: root may write anything
      [ "${perms:2:1}" = w ] || ro=ro
      printf '%s %s hs=%d %s %s\n' "$p" "$kind" $((bits & 6)) "$ro" "$sum"
    done
  )
}

# A host path inside the build folder as the prefix's B: drive shows it.
build=$(cat "$prefix/.veltrano-build")
windows_path() {
  local rest=${1#"$build"}
  printf 'B:%s' "${rest//\//\\}"
}

rm -rf "$work"
mkdir -p "$work"

# Each run prints the log of its last command: one run per command, the
# logs and exit statuses one after the other.
run_linux() {  # LOG DRIVE-FOLDER
  local c
  for c in menuqim reudir; do
    "$linux_cli" --drive "E:removable:$2" "$c" >>"$1" || echo "exit $?" >>"$1"
  done
}
run_windows() {  # LOG [--drive E:removable:FOLDER]
  local log=$1 c
  shift
  for c in menuqim reudir; do
    "$wine_run" --prefix "$prefix" "$windows_cli" "$@" "$c" >>"$log" || echo "exit $?" >>"$log"
  done
}

nbsp=$'\xc2\xa0'
for round in 1 2 3 4; do
  w=$work/$round
  mkdir -p "$w"
  layout "$w/linux" $round
  layout "$stick" $round
  layout "$w/windows-folder" $round
  snapshot "$stick" >"$w/before.txt"

  run_linux "$w/linux.log" "$w/linux"
  run_windows "$w/windows.log"  # the machine's drives: E: is the only removable one
  run_windows "$w/windows-folder.log" --drive "E:removable:$(windows_path "$w/windows-folder")"

  cmp "$w/linux.log" "$w/windows.log" ||
    { diff "$w/linux.log" "$w/windows.log" >&2 || true; fail "stick $round: scan logs differ (drive E:)"; }
  cmp "$w/linux.log" "$w/windows-folder.log" ||
    { diff "$w/linux.log" "$w/windows-folder.log" >&2 || true; fail "stick $round: scan logs differ (folder as E:)"; }

  snapshot "$w/linux" >"$w/linux-after.txt"
  snapshot "$stick" >"$w/windows-after.txt"
  snapshot "$w/windows-folder" >"$w/windows-folder-after.txt"
  cmp -s "$w/before.txt" "$w/linux-after.txt" && fail "stick $round: the sweep changed nothing"
  diff "$w/linux-after.txt" "$w/windows-after.txt" >&2 || fail "stick $round: the sticks differ (drive E:)"
  diff "$w/linux-after.txt" "$w/windows-folder-after.txt" >&2 ||
    fail "stick $round: the sticks differ (folder as E:)"

  # What Wine wrote, the Linux backend reads: the repair finds on the stick
  # the Windows side repaired what it finds on the Linux side's.
  "$linux_cli" --drive "E:removable:$stick" reudir >"$w/linux-reads-windows.log" || true
  "$linux_cli" --drive "E:removable:$w/linux" reudir >"$w/linux-reads-linux.log" || true
  cmp "$w/linux-reads-windows.log" "$w/linux-reads-linux.log" ||
    fail "stick $round: the Linux backend reads the stick the Windows side repaired differently"
  cat "$w/linux.log" >>"$work/all.log"
done

# The sweeps found and did something: equal empty logs would prove nothing.
log=$work/all.log
for line in '发现病毒：病毒.exe 已清除！' '发现病毒：run.vbs 已清除！' '发现病毒文件：autorun.inf 已清除！' \
    '发现伪文件夹病毒：文档.exe 已清除！' '文档 文件夹恢复成功!' '发现可疑病毒：svchost.exe 已清除！' \
    '修复丢失文件夹  E:\Music' '发现可疑病毒文件：screen.scr 已清除！' \
    '发现快捷方式病毒：usb disk.lnk 已清除！' '发现病毒：usbcore.dll 已清除！' "修复丢失文件夹  E:\\$nbsp"; do
  grep -qF "$line" "$log" || fail "no line '$line' in the logs"
done
grep -q '^Music d hs=0 ' "$work/2/windows-after.txt" || fail "Music is still hidden"
grep -q '^文档 d hs=0 ' "$work/1/windows-after.txt" || fail "文档 is still hidden"
grep -q "^$nbsp d hs=0 " "$work/4/windows-after.txt" || fail "the blank-named folder is still hidden"
grep -q '^Notes.lnk f ' "$work/4/windows-after.txt" || fail "the user's shortcut is gone"
echo "the same scan logs ($(wc -l <"$log") lines) and the same sticks on both sides"
