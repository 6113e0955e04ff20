#include "tests/platform/fs/fs_test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace veltrano::fs::testing {
namespace {

bool KeepsUserXattrs(const std::string& folder) {
  const std::string probe = folder + "/.xattr-probe";
  { std::ofstream(probe) << "x"; }
  const bool ok = setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
  unlink(probe.c_str());
  return ok;
}

std::string MakeUnder(const std::string& base) {
  std::string pattern = base + "/veltrano-fs-XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

}  // namespace

TempDir::TempDir() {
  if (const char* root = std::getenv("VELTRANO_TEST_ROOT"); root && *root) {
    path_ = MakeUnder(root);
    if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder in " << root;
    return;
  }
  path_ = MakeUnder(std::filesystem::temp_directory_path().string());
  if (path_.empty() || !KeepsUserXattrs(path_)) {
    if (!path_.empty()) std::filesystem::remove_all(path_);
    path_ = MakeUnder(std::filesystem::current_path().string());
  }
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  // Tests may leave read-only folders behind; open them up first.
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0700);
  }
  std::filesystem::remove_all(path_, ec);
}

void WriteHostFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool HostExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

}  // namespace veltrano::fs::testing
