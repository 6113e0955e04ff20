// A file system that hands every operation to another one. Tests derive from
// it and override only the operations they change; everything else, a
// backend's own answers included, reaches the inner file system unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/file_system.h"

namespace veltrano::fs::testing {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

  uint32_t GetLogicalDrives() override { return inner_.GetLogicalDrives(); }
  DriveType GetDriveType(const PathArg& root) override { return inner_.GetDriveType(root); }
  using FileSystem::FindFirst;
  std::unique_ptr<FindSession> FindFirst(std::string_view pattern, FindData& first,
                                         FindMode mode) override {
    return inner_.FindFirst(pattern, first, mode);
  }
  std::optional<Attributes> GetAttributes(const PathArg& path) override {
    return inner_.GetAttributes(path);
  }
  bool SetAttributes(const PathArg& path, Attributes attributes) override {
    return inner_.SetAttributes(path, attributes);
  }
  bool DeleteFile(const PathArg& path) override { return inner_.DeleteFile(path); }
  bool DeleteFileForced(const PathArg& path) override { return inner_.DeleteFileForced(path); }
  bool FileExists(const PathArg& path) override { return inner_.FileExists(path); }
  bool FolderExists(const PathArg& path) override { return inner_.FolderExists(path); }
  PathState Probe(const PathArg& path) override { return inner_.Probe(path); }
  PathState ProbeEntry(const PathArg& path) override { return inner_.ProbeEntry(path); }
  bool DeleteFolderForced(const PathArg& path) override { return inner_.DeleteFolderForced(path); }
  std::optional<std::vector<std::string>> SubFolders(const PathArg& folder) override {
    return inner_.SubFolders(folder);
  }
  std::optional<std::vector<uint8_t>> ReadFile(const PathArg& path, std::size_t maxBytes) override {
    return inner_.ReadFile(path, maxBytes);
  }
  bool CopyFile(const PathArg& from, const PathArg& to) override {
    return inner_.CopyFile(from, to);
  }
  void ReleaseHandles() override { inner_.ReleaseHandles(); }

 protected:
  FileSystem& inner() { return inner_; }

 private:
  FileSystem& inner_;
};

}  // namespace veltrano::fs::testing
