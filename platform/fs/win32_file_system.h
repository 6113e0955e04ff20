// The file-system layer on Windows: the Win32 calls themselves.
//
// Drives are the machine's own (GetLogicalDrives and GetDriveTypeW, asked
// afresh at every call), or, in directory mode, folders given by hand, each
// the root of a drive letter of its own with the type given for it.
//
// Paths: the core's UTF-8 path is taken apart by the portable rules
// (win_path.h: ".." stops at the root, reserved characters name nothing) and
// handed to the W entry points once, in UTF-16, with the "\\?\" prefix, so
// that paths past MAX_PATH work and no name is reinterpreted by Win32's own
// path rules (trailing dots and blanks, device names). A path that would pass
// through a reparse point (symbolic link, junction, mount point) names
// nothing: every operation checks the folders between the drive root and its
// entry, so nothing ever leaves its drive, a walk never enters a link and the
// junk search never reaches another volume.
//
// Reparse points are entries of their own: they list with kAttrReparsePoint
// and without the directory bit, are never entered, and deleting one removes
// the link itself (RemoveDirectoryW for a folder link, DeleteFileW for a file
// link), never its target. To the existence tests a folder link (junction,
// directory symbolic link) is a folder, as it is to Windows: FileExists says
// no, FolderExists and Probe say folder, and the forced folder delete removes
// the link alone. Attributes are always written through a handle opened with
// FILE_FLAG_OPEN_REPARSE_POINT, so they are the entry's own, a link's
// included. The forced folder delete walks the tree itself, without
// recursion, and clears read-only bits on its way.
//
// Every call on a path goes through win32::NativeCalls (win32_native.h), the
// system's own unless a test gives others.
//
// Failures come back as results; the Windows error code of the last failing
// call is kept (LastError) with its system text (ErrorText) for the messages
// that name a reason.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/drive_table.h"
#include "platform/fs/file_system.h"

namespace veltrano::fs {

namespace win32 {
class NativeCalls;
}

class Win32FileSystem : public FileSystem {
 public:
  // The machine's drives. `calls` (kept, not owned) stands in for the
  // system's calls on paths; null for the system's own.
  explicit Win32FileSystem(win32::NativeCalls* calls = nullptr);
  // Directory mode: each folder of the table (a Windows path, made absolute
  // here) is the root of its drive letter. Folders that cannot be resolved are
  // left out, as if their letter did not exist.
  explicit Win32FileSystem(std::vector<DriveSpec> drives, win32::NativeCalls* calls = nullptr);
  ~Win32FileSystem() override;
  Win32FileSystem(const Win32FileSystem&) = delete;
  Win32FileSystem& operator=(const Win32FileSystem&) = delete;

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
  // Names never differ only in case here; right after DeleteFile removed the
  // entry, its test is answered without a lookup.
  PathState ProbeEntry(const PathArg& path) override;
  bool DeleteFolderForced(const PathArg& path) override;
  std::optional<std::vector<std::string>> SubFolders(const PathArg& folder) override;
  std::optional<std::vector<uint8_t>> ReadFile(const PathArg& path, std::size_t maxBytes) override;
  bool CopyFile(const PathArg& from, const PathArg& to) override;
  void ReleaseHandles() override {}

  // The Windows error code (GetLastError) of the last operation that failed
  // in a Win32 call; 0 after a failure that was the path's own (a bad name, a
  // path through a link) or when nothing failed yet.
  uint32_t LastError() const;
  // The system's text for a Windows error code, in UTF-8, without the
  // trailing line break; "error N" when the system has none.
  static std::string ErrorText(uint32_t code);

  // The UTF-16 path ("\\?\E:\a\b") that a Windows path of this file system
  // is handed to Win32 as, in UTF-8; nullopt when it names nothing.
  std::optional<std::string> NativePath(std::string_view path) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veltrano::fs
