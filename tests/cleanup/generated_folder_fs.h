// A file system with one very large generated folder, for the tests of logs
// and folders far beyond 32767 entries; everything else goes to a memory
// file system. Entries are named by their number ("C:\big\17"): files that
// can be deleted, or folders that each hold one file "x.chk".
#pragma once

#include <charconv>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/testing/memory_file_system.h"
#include "tests/platform/fs/forwarding_file_system.h"

namespace veltrano::testing {

class GeneratedFolderFs : public fs::testing::ForwardingFileSystem {
 public:
  // `folder` ends with '\' and lies on a drive of `inner`.
  GeneratedFolderFs(fs::MemoryFileSystem& inner, std::string folder, int count, bool folders)
      : ForwardingFileSystem(inner),
        inner_(inner),
        folder_(std::move(folder)),
        folders_(folders),
        present_(count, true) {}

  int Remaining() const {
    int n = 0;
    for (bool p : present_) n += p ? 1 : 0;
    return n;
  }

  using ForwardingFileSystem::FindFirst;
  std::unique_ptr<fs::FindSession> FindFirst(std::string_view pattern, fs::FindData& first,
                                             fs::FindMode mode) override {
    const std::string_view dir = pattern.substr(0, pattern.rfind('\\') + 1);
    if (dir == folder_) {
      auto session = std::make_unique<Listing>(*this);
      return session->FindNext(first) ? std::move(session) : nullptr;
    }
    if (folders_ && Index(dir.substr(0, dir.size() - 1)) >= 0) {
      first = fs::FindData{};
      first.cFileName = "x.chk";
      return std::make_unique<Listing>(*this, /*done=*/true);
    }
    return inner_.FindFirst(pattern, first, mode);
  }
  bool SetAttributes(const fs::PathArg& path, fs::Attributes attributes) override {
    return Index(path) >= 0 || inner_.SetAttributes(path, attributes);
  }
  bool DeleteFile(const fs::PathArg& path) override {
    const int i = Index(path);
    if (i < 0) return inner_.DeleteFile(path);
    present_[static_cast<size_t>(i)] = false;
    return true;
  }
  bool DeleteFileForced(const fs::PathArg& path) override {
    return Index(path) >= 0 ? DeleteFile(path) : inner_.DeleteFileForced(path);
  }
  bool FileExists(const fs::PathArg& path) override {
    const int i = Index(path);
    return i >= 0 ? present_[static_cast<size_t>(i)] : inner_.FileExists(path);
  }
  fs::PathState Probe(const fs::PathArg& path) override {
    const int i = Index(path);
    if (i < 0) return inner_.Probe(path);
    return present_[static_cast<size_t>(i)] ? fs::PathState::kFile : fs::PathState::kMissing;
  }
  fs::PathState ProbeEntry(const fs::PathArg& path) override { return Probe(path); }

 private:
  class Listing : public fs::FindSession {
   public:
    explicit Listing(GeneratedFolderFs& owner, bool done = false)
        : owner_(owner), next_(done ? owner.present_.size() : 0) {}
    bool FindNext(fs::FindData& out) override {
      while (next_ < owner_.present_.size() && !owner_.present_[next_]) ++next_;
      if (next_ >= owner_.present_.size()) return false;
      out = fs::FindData{};
      out.dwFileAttributes = owner_.folders_ ? fs::kAttrDirectory : fs::kAttrArchive;
      out.cFileName = std::to_string(next_++);
      return true;
    }

   private:
    GeneratedFolderFs& owner_;
    size_t next_;
  };

  // The number of a generated entry at `path`, or -1.
  int Index(const fs::PathArg& parsed) const {
    if (!parsed) return -1;
    const std::string path = parsed->ToString();
    if (!std::string_view(path).starts_with(folder_)) return -1;
    const std::string_view name = std::string_view(path).substr(folder_.size());
    int i = -1;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), i);
    if (ec != std::errc() || end != name.data() + name.size() || i < 0 ||
        i >= static_cast<int>(present_.size())) {
      return -1;
    }
    return i;
  }

  fs::MemoryFileSystem& inner_;
  std::string folder_;
  bool folders_;
  std::vector<bool> present_;
};

}  // namespace veltrano::testing
