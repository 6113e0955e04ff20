// Real folder trees for the tests on the host's file system, handled with
// plain POSIX calls so that what the tests check does not go through the code
// under test. Names are raw bytes: they may hold '\' or bytes that are not
// UTF-8.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "tests/testing/run_command.h"
#include "tests/testing/temp_folder.h"

namespace veltrano::testing {

using veltrano::testing::TempFolder;

// Creates every missing folder of `path`.
inline void MakeDirs(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
  }
}

// Creates a file (and its folders) with the given content.
inline void Touch(const std::string& path, const std::string& content = "x") {
  MakeDirs(path.substr(0, path.rfind('/')));
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (write(fd, content.data(), content.size()) < 0) {
  }
  close(fd);
}

// Hidden and system bits the way Wine and Samba keep them on ext4 and tmpfs.
inline void SetDosBits(const std::string& path, unsigned bits) {
  const std::string value = "0x" + std::to_string(bits);
  lsetxattr(path.c_str(), "user.DOSATTRIB", value.data(), value.size(), 0);
}

inline unsigned DosBits(const std::string& path) {
  char buf[32] = {};
  const ssize_t n = lgetxattr(path.c_str(), "user.DOSATTRIB", buf, sizeof buf - 1);
  return n <= 0 ? 0u : static_cast<unsigned>(std::strtoul(buf, nullptr, 16)) & 6u;
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Every entry that is not a folder below `root`, as paths relative to it.
inline void ListFiles(const std::string& root, const std::string& relative,
                      std::set<std::string>& out) {
  DIR* dir = opendir((relative.empty() ? root : root + "/" + relative).c_str());
  if (!dir) return;
  while (dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string rel = relative.empty() ? name : relative + "/" + name;
    struct stat st;
    if (lstat((root + "/" + rel).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ListFiles(root, rel, out);
    } else {
      out.insert(rel);
    }
  }
  closedir(dir);
}

inline std::set<std::string> Files(const std::string& root) {
  std::set<std::string> out;
  ListFiles(root, "", out);
  return out;
}

// Runs a shell command and collects what it prints (stdout and stderr).
inline CommandResult RunShell(const std::string& command) { return RunCommand(command + " 2>&1"); }

// Quotes a text for the shell.
inline std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace veltrano::testing
