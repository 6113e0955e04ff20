// DOS attributes of entries on Linux file systems: read from and written to
// wherever the file system keeps them.
//
//   kFatIoctl   vfat (and exfat where the kernel offers it): the FAT attribute
//               byte through FAT_IOCTL_GET/SET_ATTRIBUTES on a read-only
//               descriptor, for files and folders alike.
//   kNtfsXattr  ntfs3 and ntfs-3g: the 4-byte little-endian attribute word in
//               "system.ntfs_attrib"; a change rewrites only the low bits.
//   kCifsXattr  SMB mounts: "user.cifs.dosattrib"; all bits clear is written as
//               0x80, since 0 means "no change" to the server.
//   kWineXattr  everything else: hidden and system in "user.DOSATTRIB" as ASCII
//               "0x" + hex (the form Wine writes; removed when both are clear),
//               read-only as the absence of the owner's write permission, and
//               archive set on every file.
// A name starting with '.' is not hidden by its name.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/fs/file_system.h"

namespace veltrano::fs {

enum class DosAttributeStore { kFatIoctl, kNtfsXattr, kCifsXattr, kWineXattr };

// The store for a file-system type as the mount table names it.
DosAttributeStore StoreForFsType(std::string_view fsType);
// The store for the file system holding the open folder `fd` (for folders
// given by hand, where no mount table entry is at hand).
DosAttributeStore StoreForFolder(int fd);

// The attributes of `name` in the open folder `dirFd`, whose status is `st`
// (never a link: links carry fixed attributes, see file_system.h).
Attributes ReadDosAttributes(DosAttributeStore store, int dirFd, const std::string& name,
                             const struct statx& st);
// Sets the read-only, hidden, system and archive bits of `name` to exactly
// those in `attributes`, as SetFileAttributes does: a bit not given is
// cleared (the archive bit too, where the store keeps it). Other bits of the
// store stay as they are. False when a change failed.
bool WriteDosAttributes(DosAttributeStore store, int dirFd, const std::string& name,
                        const struct statx& st, Attributes attributes);

// "/proc/self/fd/N/name": lets the xattr calls reach an entry relative to an
// open folder without following a link in its last component.
std::string EntryProcPath(int dirFd, const std::string& name);

}  // namespace veltrano::fs
