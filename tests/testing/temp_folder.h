// Temporary folders for the tests that work on real files.
#pragma once

#include <string>

namespace veltrano::testing {

// A fresh, empty folder "veltrano-XXXXXXXX", removed with everything in it
// when the object dies. It lies below $VELTRANO_TEST_ROOT when that is set (a
// folder on the file system under test, such as a FAT volume mounted by a
// real kernel), else in the system's temporary folder ($TMPDIR, /tmp) when
// that keeps user extended attributes (where the DOS bits live on Linux),
// else in the current folder (the build tree). A folder that cannot be made
// fails the test.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Removes a file or a folder tree. Links are removed, never followed; folders
// a test left without permissions are opened up first.
void RemoveTree(const std::string& path);

}  // namespace veltrano::testing
