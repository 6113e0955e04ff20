#!/usr/bin/env bash
# The guest half of usb_stick_test.sh: runs veltrano-cli --mounts the way a
# user's machine would show the stick. The stick is mounted at /media/usb;
# the program runs in a mount namespace whose root is a small tmpfs (C:,
# holding nothing but the program and the system folders it needs), so that
# the cleanup's search of every drive covers the stick and no more than that.
#
#   usb_stick_guest.sh VELTRANO_CLI
set -euo pipefail

cli=$1
[ -d /media/usb ] || { echo "usb_stick_guest: no stick at /media/usb" >&2; exit 125; }
device=$(awk '$2 == "/media/usb" { print $1 }' /proc/self/mounts)
echo "stick: $device, removable=$(cat "/sys/block/$(basename "$device")/removable")"

exec unshare --mount --propagation private sh -euc '
  cli=$1
  root=/run/veltrano-root
  mkdir -p "$root"
  mount -t tmpfs -o mode=0755 tmpfs "$root"
  mkdir -p "$root/usr" "$root/proc" "$root/sys" "$root/dev" "$root/media/usb" "$root/tmp"
  for d in bin sbin lib lib64; do [ -e "/usr/$d" ] && ln -s "usr/$d" "$root/$d"; done
  mount --rbind /usr "$root/usr"
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys"
  mount --rbind /dev "$root/dev"
  mount --bind /media/usb "$root/media/usb"
  cp "$cli" "$root/veltrano-cli"
  echo "@@ veltrano-cli --mounts drives"
  chroot "$root" /veltrano-cli --mounts drives || echo "@@ exit status $?"
  for command in menuqim reudir menuclean; do
    echo "@@ veltrano-cli --mounts --answer yes $command"
    chroot "$root" /veltrano-cli --mounts --answer yes "$command" || echo "@@ exit status $?"
  done
  echo "@@ end"
' usb_stick_guest "$cli"
