// Keeps the junk search away from the files an operating system needs when a
// drive is the root of a Unix system (on Linux, C: is "/").
//
// A drive counts as a system root when its root holds both an "etc" and a
// "usr" folder. This is decided from the drive's own content, through the
// file-system interface, so it holds for "/" as C: and for any other mounted
// system root alike, and a test can build such a drive on the memory backend.
// On a system root:
//   - the folders usr, etc, boot, bin, sbin, lib* (lib, lib32, lib64, ...),
//     proc, sys and dev of the root, and var\lib, are never searched;
//   - a file that an installed package owns, as listed by the package
//     manager's file lists <root>var\lib\dpkg\info\*.list, is never junk;
//   - when those lists exist but cannot be read in full, no file of the drive
//     is junk: without the list nothing can be told apart safely.
// Every other drive is searched as it is.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace veltrano::fs {
class FileSystem;
}

namespace veltrano::cleanup {

class SystemGuard {
 public:
  // Looks at the drive root of `path` ("C:\" for "C:\home\"). An inactive
  // guard (not a system root, or no drive letter) lets everything through.
  static SystemGuard ForDrive(fs::FileSystem& fileSystem, std::string_view path);

  bool Active() const { return active_; }
  // True when the sub-folder `name` of the folder `folderPath` must not be searched.
  bool SkipsFolder(std::string_view folderPath, std::string_view name) const;
  // True when the file at `path` must never be treated as junk.
  bool Protects(std::string_view path) const;
  // Number of package-owned paths kept for the test (outside the skipped folders).
  size_t OwnedCount() const { return owned_.size(); }

 private:
  void LoadPackageLists(fs::FileSystem& fileSystem);
  void AddOwnedPath(std::string_view linuxPath);

  bool active_ = false;
  bool protectAll_ = false;
  std::string lowerRoot_;     // "c:\"
  std::string lowerVarPath_;  // "c:\var\"
  // Folded Windows paths (fs::FoldName) of package-owned files outside the
  // skipped folders.
  std::unordered_set<std::string> owned_;
};

}  // namespace veltrano::cleanup
