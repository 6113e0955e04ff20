#!/usr/bin/env bash
# A USB disk that does not call itself removable (as USB hard disks and some
# sticks do) is still a removable drive: veltrano-cli --mounts, on a real
# kernel with the disk on an xHCI controller, finds the USB device above its
# block device in sysfs.
#
#   usb_disk_test.sh VELTRANO_CLI
set -euo pipefail

[ $# = 1 ] || { echo "usage: $0 VELTRANO_CLI" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")

work=$(mktemp -d "${TMPDIR:-/tmp}/veltrano-usb-disk.XXXXXX")
trap 'rm -rf "$work"' EXIT
truncate -s 32M "$work/disk.img"
mkfs.vfat -n DISK "$work/disk.img" >/dev/null

status=0
"$here/../../scripts/run-in-kernel.sh" --image "$work/disk.img" --usb-fixed --fstype vfat \
  --mount /media/disk --log "$work/console" -- sh -c '
    echo "sysfs removable=$(cat /sys/block/sda/removable)"
    "$1" --mounts drives' usb_disk_test "$cli" >/dev/null || status=$?
if [ "$status" != 0 ]; then
  tail -n 40 "$work/console" >&2
  echo "usb_disk_test: the guest ended with status $status" >&2
  exit 1
fi
grep -E '^(sysfs|[A-Z]:)' "$work/console"
grep -qx 'sysfs removable=0' "$work/console" || { echo "FAIL: the disk called itself removable" >&2; exit 1; }
grep -qP '^[D-Z]:\tremovable\t/media/disk\tvfat\t' "$work/console" ||
  { echo "FAIL: the USB disk is not a removable drive" >&2; exit 1; }
echo "usb_disk_test: the USB disk is a removable drive"
