#!/usr/bin/env bash
# run-in-kernel.sh: run one command on a real Debian kernel booted in qemu,
# with a disk image mounted by that kernel's own file-system driver (vfat,
# exfat, ntfs3, ...), and exit with the command's exit status.
#
#   scripts/run-in-kernel.sh [options] -- COMMAND [ARG...]
#
# The guest sees the host's / read-only (9p) under a writable tmpfs overlay,
# so programs built on the host run there unchanged; COMMAND runs as root in
# the host's current folder, with VELTRANO_IN_GUEST=1 and
# VELTRANO_IMAGE_MOUNT set. Nothing the guest writes reaches the host except
# through the image.
#
# Options:
#   --image FILE        raw disk image to attach (read-write) and mount
#   --usb               attach it as a USB stick (usb-storage on an xHCI
#                       controller, /dev/sda, sysfs "removable" = 1) rather
#                       than as a virtio disk (/dev/vda)
#   --usb-fixed         the same, but a USB disk that does not call itself
#                       removable (sysfs "removable" = 0), as USB hard disks
#   --fstype T          file-system type of the image (default: auto)
#   --mount DIR         where the guest mounts it (default /mnt/image)
#   --mount-opts O      mount options (e.g. iocharset=utf8)
#   --kernel K          stable: the kernel of this Debian release (default)
#                       backports: the newest kernel of <release>-backports,
#                       fetched from deb.debian.org through a private apt
#                       list in the cache (the system's sources are untouched)
#   --mem MB            guest memory (default 768)
#   --accel kvm|tcg     default: kvm when /dev/kvm is usable, else tcg
#   --timeout S         wall-clock limit for the guest (default 900)
#   --log FILE          keep the guest's whole console output there
#   --verbose           show the kernel's own messages too
# Environment:
#   VELTRANO_KERNEL_CACHE  where kernels and boot images are kept (default
#                          ${XDG_CACHE_HOME:-$HOME/.cache}/veltrano-kernel);
#                          a second run reuses them and downloads nothing
#   VELTRANO_KERNEL_DEB    use this kernel .deb instead of downloading one
# Exit status: COMMAND's; 124 when the time limit passed; 125 when the guest
# could not be prepared or ended without running COMMAND to its end.
# Host packages (Debian): qemu-system-x86 busybox-static; the kernel package
# is only downloaded and unpacked, never installed.
set -euo pipefail

fail() { echo "run-in-kernel: $*" >&2; exit 125; }
usage() { sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//' >&2; exit 125; }

image= usb=0 removable=on fstype=auto mountDir=/mnt/image mountOpts= kernel=stable mem=768 accel=auto
timeout=900 log= verbose=0
while [ $# -gt 0 ]; do
  case "$1" in
    --image) image=$2; shift 2 ;;
    --usb) usb=1; shift ;;
    --usb-fixed) usb=1 removable=off; shift ;;
    --fstype) fstype=$2; shift 2 ;;
    --mount) mountDir=$2; shift 2 ;;
    --mount-opts) mountOpts=$2; shift 2 ;;
    --kernel) kernel=$2; shift 2 ;;
    --mem) mem=$2; shift 2 ;;
    --accel) accel=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --log) log=$2; shift 2 ;;
    --verbose) verbose=1; shift ;;
    --) shift; break ;;
    -h|--help) usage ;;
    *) fail "unknown option '$1' (see --help)" ;;
  esac
done
[ $# -ge 1 ] || usage
case "$kernel" in stable|backports) ;; *) fail "--kernel takes stable or backports" ;; esac
[ -z "$image" ] || [ -f "$image" ] || fail "no image file '$image'"
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is missing (qemu-system-x86)"
busybox=$(command -v busybox) || fail "busybox is missing (busybox-static)"
# The guest's first program runs before any library is there.
! ldd "$busybox" >/dev/null 2>&1 || fail "$busybox is linked dynamically (install busybox-static)"

cache=${VELTRANO_KERNEL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veltrano-kernel}
mkdir -p "$cache"
# One fetch of each kernel at a time: parallel test runs share the cache.
exec 9>"$cache/.lock-$kernel"
flock 9

# What the guest loads; modules.dep brings their dependencies along.
modules="virtio_pci virtio_blk 9pnet_virtio 9p overlay loop fuse
  xhci-pci usb-storage sd_mod
  fat vfat msdos exfat ntfs3 nls_cp437 nls_ascii nls_iso8859-1 nls_utf8"

# --- which kernel ------------------------------------------------------------
aptOpts=()
[ "$(id -u)" = 0 ] && aptOpts+=(-o APT::Sandbox::User=root)  # no _apt user switch for a private folder
if [ "$kernel" = backports ]; then
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$release" ] || fail "cannot tell this system's Debian release from /etc/os-release"
  apt=$cache/apt-$release-backports
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
    "http://deb.debian.org/debian $release-backports main" >"$apt/sources.list"
  aptOpts+=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Debug::NoLocking=1)
  lists=$apt/lists
else
  lists=/var/lib/apt/lists
fi
if [ -n "${VELTRANO_KERNEL_DEB:-}" ]; then
  pkg=$(basename "$VELTRANO_KERNEL_DEB" .deb)
elif [ -s "$cache/$kernel.pkg" ] && [ "$cache/$kernel.pkg" -nt "$lists" ]; then
  pkg=$(cat "$cache/$kernel.pkg")  # the answer changes only when the lists do
else
  if [ "$kernel" = backports ]; then
    apt-get "${aptOpts[@]}" -qq update >/dev/null || fail "apt-get update of $release-backports failed"
  fi
  pkg=$(apt-cache "${aptOpts[@]}" depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  [ -n "$pkg" ] || fail "no kernel package behind linux-image-amd64 (run apt-get update)"
  # A newer kernel replaces the one this kind used before.
  old=$(cat "$cache/$kernel.pkg" 2>/dev/null || true)
  echo "$pkg" >"$cache/$kernel.pkg"
  [ -z "$old" ] || [ "$old" = "$pkg" ] || rm -rf "${cache:?}/$old"
fi

# --- the kernel and its modules, unpacked once ------------------------------
kdir=$cache/$pkg
ready=$kdir/.ready-$(echo $modules | cksum | cut -d' ' -f1)
if [ ! -f "$ready" ]; then
  echo "run-in-kernel: preparing $pkg in $kdir" >&2
  rm -rf "$kdir"
  mkdir -p "$kdir"
  work=$(mktemp -d "$cache/unpack.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  deb=${VELTRANO_KERNEL_DEB:-}
  if [ -z "$deb" ]; then
    (cd "$work" && apt-get "${aptOpts[@]}" -qq download "$pkg" >/dev/null 2>&1) ||
      fail "apt-get download $pkg failed"
    deb=$(ls "$work"/*.deb)
  fi
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work" ./boot ./lib/modules
  kver=$(ls "$work/lib/modules")
  cp "$work/boot/vmlinuz-$kver" "$kdir/vmlinuz"
  cp "$work/boot/config-$kver" "$kdir/config"
  # An uncompressed ELF kernel boots by PVH straight into the kernel, without
  # the BIOS path and the decompressor: seconds less per boot under TCG.
  if grep -q '^CONFIG_PVH=y' "$kdir/config"; then
    for magic in $'\xfd7zXZ:xz' $'\x28\xb5\x2f\xfd:zstd'; do
      at=$(LC_ALL=C grep -abo "${magic%:*}" "$kdir/vmlinuz" | head -n 1 | cut -d: -f1 || true)
      [ -n "$at" ] || continue
      tail -c +$((at + 1)) "$kdir/vmlinuz" | ${magic#*:} -dc >"$kdir/vmlinux" 2>/dev/null || true
      head -c 4 "$kdir/vmlinux" | grep -q ELF && break
      rm -f "$kdir/vmlinux"
    done
  fi
  moddir=$work/lib/modules/$kver
  "$busybox" depmod -b "$work" "$kver"
  files=
  for m in $modules; do
    line=$(grep -E "(^|/)${m}\.ko(\.[a-z]+)?:" "$moddir/modules.dep" || true)
    if [ -z "$line" ]; then
      grep -qE "/${m}\.ko\$" "$moddir/modules.builtin" ||
        echo "run-in-kernel: $pkg has no module $m" >&2
      continue
    fi
    files="$files ${line%%:*} ${line#*:}"
  done
  for f in $files; do
    to=$kdir/root/lib/modules/$kver/$(dirname "$f")
    mkdir -p "$to"
    case "$f" in  # decompressed here once rather than in the emulated guest
      *.ko.xz) xz -dc "$moddir/$f" >"$to/$(basename "$f" .xz)" ;;
      *.ko.zst) zstd -qdc "$moddir/$f" >"$to/$(basename "$f" .zst)" ;;
      *.ko.gz) gzip -dc "$moddir/$f" >"$to/$(basename "$f" .gz)" ;;
      *) cp "$moddir/$f" "$to/" ;;
    esac
  done
  cp "$moddir/modules.builtin" "$moddir/modules.order" "$kdir/root/lib/modules/$kver/"
  "$busybox" depmod -b "$kdir/root" "$kver"
  echo "$kver" >"$kdir/kver"
  rm -rf "$work"
  trap - EXIT
  touch "$ready"
fi
kver=$(cat "$kdir/kver")
present=$(for m in $modules; do
  grep -qE "(^|/)${m}\.ko:" "$kdir/root/lib/modules/$kver/modules.dep" && echo "$m"
done | tr '\n' ' ')

# --- the boot image: busybox, the modules and the guest's /init (cached) -----
initText() { sed -n '/^: <<.GUEST_INIT.$/,/^GUEST_INIT$/p' "$0" | sed '1d;$d'; }
base=$kdir/base-$(initText | cksum | cut -d' ' -f1).cpio.gz
if [ ! -f "$base" ]; then
  tree=$(mktemp -d "$cache/base.XXXXXX")
  mkdir -p "$tree/bin" "$tree/run-in-kernel"
  cp "$busybox" "$tree/bin/busybox"
  cp -a "$kdir/root/lib" "$tree/"
  initText >"$tree/init"
  chmod 755 "$tree/init"
  (cd "$tree" && find . | "$busybox" cpio -o -H newc 2>/dev/null | gzip -1 >"$base.part")
  mv "$base.part" "$base"
  find "$kdir" -maxdepth 1 -name 'base-*.cpio.gz' ! -path "$base" -delete  # older /init versions
  rm -rf "$tree"
fi
flock -u 9

# --- this run: its settings and command, appended as a second archive -------
run=$(mktemp -d "${TMPDIR:-/tmp}/run-in-kernel.XXXXXX")
trap 'rm -rf "$run"' EXIT
token=$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')
quote() { printf "'%s'" "$(printf %s "$1" | sed "s/'/'\\\\''/g")"; }
device=
if [ -n "$image" ]; then
  [ "$usb" = 1 ] && device=/dev/sda || device=/dev/vda
fi
mkdir -p "$run/root/run-in-kernel"
{
  echo "TOKEN=$token"
  echo "MODULES='$present'"
  echo "DEVICE=$device"
  echo "FSTYPE=$fstype"
  echo "MOUNT_DIR=$(quote "$mountDir")"
  echo "MOUNT_OPTS=$(quote "$mountOpts")"
} >"$run/root/run-in-kernel/settings"
{
  echo "cd $(quote "$PWD") || exit 125"
  printf 'exec'
  for a in "$@"; do printf ' %s' "$(quote "$a")"; done
  echo
} >"$run/root/run-in-kernel/command"
(cd "$run/root" && find . | "$busybox" cpio -o -H newc 2>/dev/null | gzip -1 >"$run/run.cpio.gz")
cat "$base" "$run/run.cpio.gz" >"$run/initrd"

# --- qemu --------------------------------------------------------------------
if [ "$accel" = auto ]; then
  accel=tcg
  [ -w /dev/kvm ] && grep -qE '^flags.* (vmx|svm)( |$)' /proc/cpuinfo && accel=kvm
fi
qemu=(qemu-system-x86_64 -nodefaults -no-user-config -display none -serial stdio -no-reboot
  -machine pc,accel="$accel" -m "$mem" -initrd "$run/initrd")
[ "$accel" = kvm ] && qemu+=(-cpu host) || qemu+=(-cpu max)
if [ -f "$kdir/vmlinux" ]; then qemu+=(-kernel "$kdir/vmlinux"); else qemu+=(-kernel "$kdir/vmlinuz"); fi
quiet="quiet loglevel=3"
[ "$verbose" = 1 ] && quiet=
qemu+=(-append "console=ttyS0 panic=-1 $quiet")
if [ -n "$image" ] && [ "$usb" = 1 ]; then
  qemu+=(-device qemu-xhci,id=xhci -drive "if=none,id=stick,file=$image,format=raw,cache=writeback"
    -device usb-storage,bus=xhci.0,drive=stick,removable=$removable)
elif [ -n "$image" ]; then
  qemu+=(-drive "file=$image,if=virtio,format=raw,cache=writeback")
fi
qemu+=(-virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap)

console=${log:-$run/console.log}
hide='/^\[ *[0-9.]*\] reboot: Power down$/d'
[ "$verbose" = 1 ] && hide=
set +e
timeout "$timeout" "${qemu[@]}" </dev/null 2>&1 | tr -d '\r' | tee "$console" |
  sed -u -e "/^@@EXIT-$token=[0-9]*@@\$/d" -e "$hide"
qemuStatus=${PIPESTATUS[0]}
set -e
status=$(sed -n "s/^@@EXIT-$token=\([0-9]*\)@@\$/\1/p" "$console" | tail -n 1)
if [ -z "$status" ]; then
  [ "$qemuStatus" = 124 ] && { echo "run-in-kernel: stopped after ${timeout}s" >&2; exit 124; }
  fail "the guest ended without an exit status (qemu exit status $qemuStatus)"
fi
exit "$status"

# The guest's /init, run by busybox sh. It lives here so that this one file
# is the whole recipe.
: <<'GUEST_INIT'
#!/bin/busybox sh
/bin/busybox mkdir -p /proc /sys /dev /tmp /sbin
/bin/busybox --install -s /bin
ln -s /bin/modprobe /sbin/modprobe
export PATH=/bin:/sbin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
. /run-in-kernel/settings
say() { echo "run-in-kernel (guest): $*" >/dev/console; }
mounted=
finish() {
  sync
  [ -n "$mounted" ] && { umount "$mounted" || say "umount $mounted failed"; }
  echo "@@EXIT-$TOKEN=$1@@" >/dev/console
  poweroff -f
  sleep 5
  echo o >/proc/sysrq-trigger
}
for m in $MODULES; do
  opts=
  [ "$m" = usb-storage ] && opts=delay_use=0  # no second of waiting for the stick to settle
  modprobe "$m" $opts 2>/dev/null || say "modprobe $m failed"
done
if [ -n "$DEVICE" ]; then  # disks show up asynchronously, a USB stick after its bus scan
  i=0
  while [ ! -b "$DEVICE" ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i + 1)); done
  [ -b "$DEVICE" ] || { say "no $DEVICE appeared"; finish 125; }
fi
mkdir -p /host /rw /newroot
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=512000,cache=loose hostroot /host ||
  { say "mounting the host's / failed"; finish 125; }
mount -t tmpfs -o size=50% tmpfs /rw
mkdir -p /rw/upper /rw/work
mount -t overlay -o lowerdir=/host,upperdir=/rw/upper,workdir=/rw/work overlay /newroot ||
  { say "the overlay mount failed"; finish 125; }
mount -t proc proc /newroot/proc
mount -t sysfs sysfs /newroot/sys
mount -t devtmpfs devtmpfs /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm /newroot/run
mount -t devpts devpts /newroot/dev/pts
mount -t tmpfs tmpfs /newroot/dev/shm
mount -t tmpfs tmpfs /newroot/run
if [ -n "$DEVICE" ]; then
  mkdir -p "/newroot$MOUNT_DIR"
  type=
  [ "$FSTYPE" != auto ] && type="-t $FSTYPE"
  mount $type ${MOUNT_OPTS:+-o "$MOUNT_OPTS"} "$DEVICE" "/newroot$MOUNT_DIR" ||
    { say "mounting $DEVICE failed; this kernel has:"; cat /proc/filesystems; finish 125; }
  mounted=/newroot$MOUNT_DIR
fi
mkdir -p /newroot/run-in-kernel
cp /run-in-kernel/command /newroot/run-in-kernel/
export VELTRANO_IN_GUEST=1 VELTRANO_IMAGE_MOUNT="$MOUNT_DIR" HOME=/root TERM=dumb
PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  chroot /newroot /bin/sh /run-in-kernel/command </dev/null >/dev/console 2>&1
finish $?
GUEST_INIT
