// Temporary folders for tests that work on real directories.
#pragma once

#include <string>

namespace veltrano::fs::testing {

// A fresh, empty folder removed (with everything in it) when the object dies.
// It lies below $VELTRANO_TEST_ROOT when that is set (a folder on the file
// system under test, such as a FAT volume mounted by a real kernel), else
// under /tmp when /tmp keeps user extended attributes, else under the current
// folder (the build tree).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Writes a file (creating nothing else); fails the test on error.
void WriteHostFile(const std::string& path, const std::string& content);
// Reads a whole file; "" when missing.
std::string ReadHostFile(const std::string& path);
bool HostExists(const std::string& path);  // without following a link

}  // namespace veltrano::fs::testing
