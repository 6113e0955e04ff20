// Shared set-up of the sweep tests: a window model on the memory file system
// with a scripted host, and a file system that can be made to misbehave.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands/form1.h"
#include "platform/fs/memory_file_system.h"
#include "platform/host/headless_window_host.h"

namespace veltrano::sweep::testing {

// A file system that forwards to another one, except for the operations a
// test replaces.
class WrappedFs : public fs::FileSystem {
 public:
  explicit WrappedFs(fs::FileSystem& inner) : inner_(inner) {}

  std::function<bool(std::string_view)> deleteFile;
  std::function<bool(std::string_view)> fileExists;
  std::function<std::unique_ptr<fs::FindSession>(std::string_view, fs::FindData&)> findFirst;

  uint32_t GetLogicalDrives() override { return inner_.GetLogicalDrives(); }
  uint32_t GetDriveType(std::string_view root) override { return inner_.GetDriveType(root); }
  std::unique_ptr<fs::FindSession> FindFirst(std::string_view pattern,
                                             fs::FindData& first) override {
    return findFirst ? findFirst(pattern, first) : inner_.FindFirst(pattern, first);
  }
  uint32_t GetAttributes(std::string_view path) override { return inner_.GetAttributes(path); }
  bool SetAttributes(std::string_view path, uint32_t attributes) override {
    return inner_.SetAttributes(path, attributes);
  }
  bool DeleteFile(std::string_view path) override {
    return deleteFile ? deleteFile(path) : inner_.DeleteFile(path);
  }
  bool FileExists(std::string_view path) override {
    return fileExists ? fileExists(path) : inner_.FileExists(path);
  }
  bool FolderExists(std::string_view path) override { return inner_.FolderExists(path); }
  bool DeleteFolderForced(std::string_view path) override {
    return inner_.DeleteFolderForced(path);
  }
  std::optional<std::vector<std::string>> SubFolders(std::string_view folder) override {
    return inner_.SubFolders(folder);
  }
  std::optional<std::vector<uint8_t>> ReadFile(std::string_view path,
                                               std::size_t maxBytes) override {
    return inner_.ReadFile(path, maxBytes);
  }
  bool CopyFile(std::string_view from, std::string_view to) override {
    return inner_.CopyFile(from, to);
  }

 private:
  fs::FileSystem& inner_;
};

inline std::string Summary(int count) {
  return "    共清除病毒数： " + std::to_string(count) + "个！";
}

class SweepTest : public ::testing::Test {
 protected:
  fs::MemoryFileSystem mem;
  host::HeadlessWindowHost host;
  Form1 form{mem, host};

  const std::vector<std::string>& Log() const { return form.List1.Lines(); }
  // The finding lines of the log: everything between the first drive header
  // and the closing empty lines, without empty lines and headers.
  std::vector<std::string> Findings() const {
    std::vector<std::string> out;
    for (const auto& line : Log()) {
      if (line.starts_with("    ") && !line.starts_with("    共清除病毒数：")) out.push_back(line);
    }
    return out;
  }
  std::string LastLine() const { return Log().empty() ? std::string() : Log().back(); }
};

}  // namespace veltrano::sweep::testing
