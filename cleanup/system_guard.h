// Keeps the junk search away from the files an operating system needs, in
// every folder that is the root of a Unix system: a drive root (on Linux, C:
// is "/") and any folder below one that holds a system of its own (a chroot,
// a container's root file system, a backup of a machine's "/").
//
// A folder is a system root when it holds an "etc" and either a "usr" or a
// package database "var\lib\dpkg". "etc" and "usr" count when they are
// folders or mounts of their own: a mount point is listed with the directory
// bit but is never a folder to FolderExists, and a system whose /usr is a
// separate file system is still a system.
// In a system root:
//   - its folders usr, etc, boot, bin, sbin, lib* (lib, lib32, lib64, ...),
//     proc, sys and dev, and var\lib, are never searched;
//   - a file that an installed package owns, as listed by the package
//     manager's file lists <root>var\lib\dpkg\info\*.list, is never junk;
//   - when those lists exist but cannot be read in full, or name more
//     junk-like files than the guard may keep, no file below the root is
//     junk: without the list nothing can be told apart safely.
// Every other folder is searched as it is.
//
// Memory: the lists are read one at a time, and of their entries only those
// that the junk rules would take are kept (a handful on a real system), up to
// a budget that the caller shares among the guards alive at one time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace veltrano::fs {
class FileSystem;
}

namespace veltrano::cleanup {

// What the guards of one search may keep together, in bytes.
inline constexpr size_t kGuardBudgetBytes = size_t{16} << 20;

class SystemGuard {
 public:
  // Whether `folder` (ending with '\') is a system root. `etcListed` and
  // `usrListed` tell whether its listing showed those names with the
  // directory bit; the package database is looked up only when it decides.
  static bool IsSystemRoot(fs::FileSystem& fileSystem, std::string_view folder, bool etcListed,
                           bool usrListed);
  // The same for a folder whose listing has not been seen: looked up.
  static bool IsSystemRoot(fs::FileSystem& fileSystem, std::string_view folder);

  // The guard of the system root `root` (ending with '\'), keeping at most
  // `budgetBytes` (see KeptBytes) of package-owned paths.
  static SystemGuard ForRoot(fs::FileSystem& fileSystem, std::string_view root,
                             size_t budgetBytes = kGuardBudgetBytes);
  // The guard of the drive root of `path` ("C:\" for "C:\home\"); inactive
  // (lets everything through) when that root is no system root or `path`
  // has no drive letter.
  static SystemGuard ForDrive(fs::FileSystem& fileSystem, std::string_view path);

  bool Active() const { return active_; }
  // True when the sub-folder `name` of the folder `folderPath` must not be searched.
  bool SkipsFolder(std::string_view folderPath, std::string_view name) const;
  // True when the junk file at `path` must be left alone.
  bool Protects(std::string_view path) const;
  // True when nothing below the root may be deleted (lists unreadable or too many).
  bool ProtectsAll() const { return active_ && protectAll_; }
  // Number of package-owned paths kept: those the junk rules would take,
  // outside the folders that are never searched.
  size_t OwnedCount() const { return owned_.size(); }
  // What the kept paths count against the budget.
  size_t KeptBytes() const { return keptBytes_; }

 private:
  void LoadPackageLists(fs::FileSystem& fileSystem, size_t budgetBytes);
  // False when keeping the path would pass the budget.
  bool AddOwnedPath(std::string_view linuxPath, size_t budgetBytes);

  bool active_ = false;
  bool protectAll_ = false;
  std::string root_;          // as given: "C:\srv\chroot\bookworm\"
  std::string lowerRoot_;     // "c:\srv\chroot\bookworm\"
  std::string lowerVarPath_;  // lowerRoot_ + "var\"
  // Folded Windows paths (fs::FoldName) of package-owned junk-like files
  // outside the skipped folders.
  std::unordered_set<std::string> owned_;
  size_t keptBytes_ = 0;
};

}  // namespace veltrano::cleanup
