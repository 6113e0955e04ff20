#!/usr/bin/env bash
# Runs a file-system test program on a volume that a real kernel mounts with
# its own driver: makes an empty image, boots the kernel once with it, runs
# the program there with VELTRANO_TEST_ROOT on the volume, and afterwards
# checks from the host that the volume is still consistent.
#
#   fs_suite.sh FSTYPE stable|backports PROGRAM [ARG...] [-- ARG...]...
#
# FSTYPE: vfat, exfat or ntfs3. Each "--" starts another run of PROGRAM with
# the arguments after it, in the same boot; the suite fails when any does.
set -euo pipefail

[ $# -ge 3 ] || { echo "usage: $0 FSTYPE stable|backports PROGRAM [ARG...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
fstype=$1 kernel=$2 program=$3
shift 3

work=$(mktemp -d "${TMPDIR:-/tmp}/veltrano-$fstype.XXXXXX")
trap 'rm -rf "$work"' EXIT
image=$work/volume.img
truncate -s 96M "$image"
case "$fstype" in
  vfat) mkfs.vfat -n VELTRANO "$image" >/dev/null; check=(fsck.vfat -n "$image") ;;
  exfat) mkfs.exfat -L VELTRANO "$image" >/dev/null; check=(fsck.exfat -n "$image") ;;
  ntfs3) mkntfs -q -F -f -L VELTRANO "$image"; check=(ntfsfix -n "$image") ;;
  *) echo "fs_suite: unknown file system '$fstype'" >&2; exit 2 ;;
esac

status=0
"$here/../../scripts/run-in-kernel.sh" --image "$image" --fstype "$fstype" --mount /mnt/volume \
  --kernel "$kernel" -- sh -c '
    echo "kernel $(uname -r), $(grep " /mnt/volume " /proc/self/mounts | cut -d" " -f3,4)"
    mkdir -p /mnt/volume/tests || exit 125
    program=$1
    shift
    set -f  # the arguments are split on blanks below, never expanded
    status=0
    while :; do
      args=
      while [ $# -gt 0 ] && [ "$1" != -- ]; do args="$args $1"; shift; done
      VELTRANO_TEST_ROOT=/mnt/volume/tests "$program" $args || status=1
      [ $# -gt 0 ] || break
      shift
    done
    exit $status' fs_suite "$program" "$@" || status=$?
[ "$status" = 0 ] || { echo "fs_suite: the tests on $fstype ended with status $status" >&2; exit "$status"; }

# What the driver wrote must read back as a sound volume.
if ! out=$("${check[@]}" 2>&1); then
  echo "$out" >&2
  echo "fs_suite: ${check[0]} finds the $fstype volume damaged after the tests" >&2
  exit 1
fi
echo "fs_suite: ${check[0]} finds the $fstype volume sound"
