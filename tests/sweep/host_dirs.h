// Real folders for the tests that sweep the host's file system: temporary
// folders and direct access to the DOS bits the way Wine and Samba keep
// them (the user.DOSATTRIB extended attribute), independent of the code under
// test.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/testing/temp_folder.h"

namespace veltrano::sweep::testing {

using veltrano::testing::TempFolder;

inline void Write(const std::string& path, const std::string& content = "MZ") {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// An empty file, made cheaply (for roots of many entries).
inline void Touch(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
}

inline void MakeFolder(const std::string& path) {
  std::filesystem::create_directories(path);
}

// Sets hidden (2) and system (4) the way Wine stores them.
inline void SetDosBits(const std::string& path, unsigned bits) {
  const std::string value = "0x" + std::to_string(bits);  // 2, 4 and 6 are one hex digit
  lsetxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0);
}

// Hidden and system bits as stored; 0 when the attribute is absent.
inline unsigned DosBits(const std::string& path) {
  char buf[32] = {};
  const ssize_t n = lgetxattr(path.c_str(), "user.DOSATTRIB", buf, sizeof buf - 1);
  if (n <= 0) return 0;
  return static_cast<unsigned>(std::strtoul(buf, nullptr, 16)) & 6u;
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Names in a folder (not recursive).
inline std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    out.insert(e.path().filename().string());
  }
  return out;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace veltrano::sweep::testing
