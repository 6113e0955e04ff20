// Shared set-up of the sweep tests: a window model on the memory file system
// with a scripted host, and a file system that can be made to misbehave.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "commands/form1.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/headless_window_host.h"
#include "tests/platform/fs/forwarding_file_system.h"

namespace veltrano::sweep::testing {

// A file system that forwards to another one, except for the operations a
// test replaces.
class WrappedFs : public fs::testing::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  std::function<std::unique_ptr<fs::FindSession>(std::string_view, fs::FindData&)> findFirst;
  // These two see the path as text ("E:\x.scr"; empty for a path that is none).
  std::function<bool(std::string_view)> deleteFileForced;
  std::function<fs::PathState(std::string_view)> probeEntry;

  using ForwardingFileSystem::FindFirst;
  std::unique_ptr<fs::FindSession> FindFirst(std::string_view pattern, fs::FindData& first,
                                             fs::FindMode mode) override {
    return findFirst ? findFirst(pattern, first) : inner().FindFirst(pattern, first, mode);
  }
  bool DeleteFileForced(const fs::PathArg& path) override {
    return deleteFileForced ? deleteFileForced(Text(path)) : inner().DeleteFileForced(path);
  }
  fs::PathState ProbeEntry(const fs::PathArg& path) override {
    return probeEntry ? probeEntry(Text(path)) : inner().ProbeEntry(path);
  }

 private:
  static std::string Text(const fs::PathArg& path) { return path ? path->ToString() : ""; }
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
