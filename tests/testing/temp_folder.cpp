#include "tests/testing/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace veltrano::testing {
namespace {

namespace fs = std::filesystem;

// A new folder "veltrano-XXXXXXXX" below `base`; "" when none can be made.
std::string MakeUnder(const fs::path& base) {
  std::random_device seed;
  std::mt19937 random(seed());
  constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "veltrano-";
    for (int i = 0; i < 8; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
    std::error_code ec;
    const fs::path folder = base / name;
    if (fs::create_directory(folder, ec)) return folder.string();
    if (ec) return {};
  }
  return {};
}

bool KeepsUserXattrs([[maybe_unused]] const std::string& folder) {
#ifdef _WIN32
  return true;
#else
  const std::string probe = folder + "/.xattr-probe";
  { std::ofstream(probe) << "x"; }
  const bool ok = setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
  unlink(probe.c_str());
  return ok;
#endif
}

}  // namespace

TempFolder::TempFolder() {
  if (const char* root = std::getenv("VELTRANO_TEST_ROOT"); root && *root) {
    path_ = MakeUnder(root);
    if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder in " << root;
    return;
  }
  std::error_code ec;
  path_ = MakeUnder(fs::temp_directory_path(ec));
  if (path_.empty() || !KeepsUserXattrs(path_)) {
    if (!path_.empty()) RemoveTree(path_);
    path_ = MakeUnder(fs::current_path(ec));
  }
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
}

TempFolder::~TempFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (ec || !fs::exists(status)) return;
  if (fs::is_symlink(status)) {
    fs::remove(path, ec);
    return;
  }
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
  if (fs::is_directory(status)) {
    std::vector<std::string> children;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
      children.push_back(it->path().string());
    }
    for (const std::string& child : children) RemoveTree(child);
  }
  fs::remove(path, ec);
}

}  // namespace veltrano::testing
