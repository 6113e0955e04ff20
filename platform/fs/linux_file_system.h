// The file-system layer on Linux: drive letters over the host's real mounts,
// or over folders given by hand ("directory mode").
//
// Paths: every operation resolves its path below the root of its drive and
// never leaves it. A path whose resolution would pass through a link or into
// another mount (C:\proc when / is C:) fails as if nothing were there; this
// is what keeps every command, the junk search included, on its own drive.
// Names are looked up exactly first and, only when that finds nothing,
// without regard to letter case (the first match in listing order wins).
// Linux names are shown as Windows names through the mapping of
// linux_name_map.h.
//
// Links are entries of their own: they list with kAttrReparsePoint and
// without the directory bit, are never entered, and a delete removes the link
// and never its target. The forced folder delete works through open folder
// descriptors (openat/unlinkat), so a folder swapped for a link while it runs
// is not followed either.
//
// DOS attributes come from where the file system keeps them (see
// linux_dos_attributes.h). A file that is read-only cannot be deleted until
// its attributes are cleared, as on Windows.
//
// Drive roots: each is opened once, through a path that may hold no link,
// and what it was (device, inode, mount) is kept. A root opened again (after
// ReleaseHandles, or when the mount table is read again) that is not that
// same folder is refused, so a link or another folder put in its place
// between two commands, or between two drives of one sweep, is never used.
//
// Speed: every path is resolved from its drive's root by one openat2 call
// (refusing links and mount crossings; a path past PATH_MAX a part at a
// time). No folder descriptor is kept between lookups, so a folder renamed
// out of the drive is never reached again. FindMode::kNamesOnly listings read
// nothing but the directory itself. ReleaseHandles() closes the root
// descriptors, which otherwise keep a removable drive from being unmounted.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/drive_table.h"
#include "platform/fs/file_system.h"
#include "platform/fs/linux_dos_attributes.h"

namespace veltrano::fs {

struct LinuxHostConfig {
  std::string mountInfoPath = "/proc/self/mountinfo";
  std::string sysfsRoot = "/sys";
};

class LinuxFileSystem : public FileSystem {
 public:
  // Drives over the host's mounts (see linux_mount_table.h for the rules).
  // The mount table is read again at every GetLogicalDrives call, so drives
  // plugged in or removed while the program runs are seen by the next command.
  explicit LinuxFileSystem(LinuxHostConfig config = {});
  // Directory mode: each folder of the table is the root of its drive.
  explicit LinuxFileSystem(std::vector<DriveSpec> drives);
  ~LinuxFileSystem() override;
  LinuxFileSystem(const LinuxFileSystem&) = delete;
  LinuxFileSystem& operator=(const LinuxFileSystem&) = delete;

  struct DriveInfo {
    char letter;
    DriveType type;
    std::string hostPath;
    std::string fsType;  // as the mount table names it; "" when unknown
    DosAttributeStore store;
  };
  // The drives as mapped now, in letter order, with the file system each
  // folder is on and where its DOS attributes are kept.
  std::vector<DriveInfo> Drives() const;

  uint32_t GetLogicalDrives() override;
  DriveType GetDriveType(const PathArg& root) override;
  using FileSystem::FindFirst;
  std::unique_ptr<FindSession> FindFirst(std::string_view pattern, FindData& first,
                                         FindMode mode) override;
  std::optional<Attributes> GetAttributes(const PathArg& path) override;
  bool SetAttributes(const PathArg& path, Attributes attributes) override;
  bool DeleteFile(const PathArg& path) override;
  bool DeleteFileForced(const PathArg& path) override;
  bool FileExists(const PathArg& path) override;
  bool FolderExists(const PathArg& path) override;
  PathState Probe(const PathArg& path) override;
  PathState ProbeEntry(const PathArg& path) override;
  bool DeleteFolderForced(const PathArg& path) override;
  std::optional<std::vector<std::string>> SubFolders(const PathArg& folder) override;
  std::optional<std::vector<uint8_t>> ReadFile(const PathArg& path, std::size_t maxBytes) override;
  bool CopyFile(const PathArg& from, const PathArg& to) override;
  void ReleaseHandles() override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veltrano::fs
