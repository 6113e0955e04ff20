// Which of the host's mounts become drives, with which letter and type.
//
// The mount table is the text of /proc/self/mountinfo; the block-device
// details come from a sysfs tree. Both are inputs, so tests feed fixtures.
//
// Rules:
//   - "/" is C:, fixed, whatever it is mounted from.
//   - Other real mounts take D:, E:, ... in the byte order of their mount
//     points (so the same set of mounts always gets the same letters).
//   - Real means: a network file system (type 4), or a file system on a
//     block device (a device number with a major other than 0, or, for the
//     anonymous 0:N numbers of btrfs, zfs and FUSE block mounts, a source
//     that names a device). Everything else (proc, sysfs, tmpfs, cgroup,
//     overlay below "/", ...) is no drive.
//   - Only folders are drives: a mount of a single file (the bind mounts of
//     /etc/hosts, /etc/hostname and /etc/resolv.conf in a container) gets no
//     letter. This one rule looks at the host itself (the mount point's type).
//   - The system's own mounts get no letter: /boot, /efi and anything below
//     them, anything below /usr, /var, /snap, /proc, /sys, /dev, and /run
//     except /run/media/... .
//   - A mount that only shows again what an earlier drive already shows (the
//     same device and the same or a deeper folder of it: a second mount of a
//     USB stick, a bind mount) gets no letter. Subvolumes of one btrfs device
//     mounted side by side (/ and /home) show different trees and each get one.
//   - Types: optical (sr*) 5; removable (its "removable" flag, or a USB
//     device somewhere above it) 2; network 4; otherwise 3.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/file_system.h"

namespace veltrano::fs {

struct MountInfoEntry {
  int mountId = 0;
  int parentId = 0;
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;        // the folder of the file system shown at the mount point
  std::string mountPoint;  // unescaped
  std::string fsType;
  std::string source;  // unescaped
};

// Parses mountinfo text; malformed lines are skipped.
std::vector<MountInfoEntry> ParseMountInfo(std::string_view text);

// Undoes the octal escapes of mountinfo fields ("\040" is a blank).
std::string UnescapeMountField(std::string_view field);

struct MountDrive {
  char letter = 'C';
  DriveType type = kDriveFixed;
  std::string mountPoint;
  int mountId = 0;
  std::string fsType;
  std::string source;
};

// The drives the mounts make, in letter order.
std::vector<MountDrive> AssignDriveLetters(const std::vector<MountInfoEntry>& mounts,
                                           const std::string& sysfsRoot);

// The drive type of the block device MAJOR:MINOR as sysfs describes it:
// optical, removable (or USB), fixed otherwise (also when sysfs has no entry).
DriveType BlockDeviceDriveType(const std::string& sysfsRoot, unsigned major, unsigned minor);

}  // namespace veltrano::fs
