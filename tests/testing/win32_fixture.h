// Real files for the Win32 backend's tests, laid out with the Win32 calls
// directly (never through the code under test).
//
// The test drives are those of the Wine prefix the tests run in
// (scripts/wine-prefix.sh): E: removable, F: fixed, G: CD-ROM, H: network.
// Each test works in a folder of its own on F: (or H:), so tests can run in
// parallel; E: belongs to the end-to-end sweep, which lays out its root.
#pragma once

#include "platform/fs/win32_windows.h"

#include <string>

namespace veltrano::fs::testing {

// "\\?\" + path, in UTF-16.
std::wstring Native(const std::string& path);

// A fresh folder "X:\veltrano-<pid>-<n>" on drive `letter`, removed with
// everything in it when the object dies.
class DriveFolder {
 public:
  explicit DriveFolder(char letter = 'F');
  ~DriveFolder();
  DriveFolder(const DriveFolder&) = delete;
  DriveFolder& operator=(const DriveFolder&) = delete;

  // "E:\veltrano-12-1"
  const std::string& path() const { return path_; }
  // path() + "\" + relative
  std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

// Creates a folder (and its parents); fails the test on error.
void MakeFolder(const std::string& path, DWORD attributes = 0);
// Creates or replaces a file; fails the test on error.
void MakeFile(const std::string& path, const std::string& content = "", DWORD attributes = 0);
// GetFileAttributesW of a path.
DWORD RawAttributes(const std::string& path);
// The content of a file, or "<missing>".
std::string Content(const std::string& path);
// Removes a tree, clearing read-only bits first.
void RemoveTree(const std::wstring& native);

}  // namespace veltrano::fs::testing
