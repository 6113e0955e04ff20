#include "cleanup/system_guard.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "cleanup/junk_rules.h"
#include "platform/fs/file_system.h"
#include "platform/fs/linux_name_map.h"
#include "platform/fs/win_path.h"

namespace veltrano::cleanup {
namespace {

// The largest package file list we accept; a longer one counts as unreadable.
constexpr size_t kMaxListBytes = size_t{64} << 20;
// What one kept path costs beyond its characters (set node, hash, string).
constexpr size_t kEntryOverhead = 64;

constexpr std::array<std::string_view, 8> kSystemFolders = {
    "usr", "etc", "boot", "bin", "sbin", "proc", "sys", "dev",
};

// True for a root folder that holds the system: usr, etc, ..., and lib*.
bool IsSystemFolderName(std::string_view lowerName) {
  if (lowerName.substr(0, 3) == "lib") return true;
  for (std::string_view name : kSystemFolders) {
    if (lowerName == name) return true;
  }
  return false;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// A folder, or a mount of its own (which the backend cannot look into).
bool FolderOrMount(fs::FileSystem& fileSystem, const std::string& path) {
  const fs::PathState state = fileSystem.Probe(path);
  return state == fs::PathState::kFolder || state == fs::PathState::kUnknown;
}

}  // namespace

bool SystemGuard::IsSystemRoot(fs::FileSystem& fileSystem, std::string_view folder, bool etcListed,
                               bool usrListed) {
  if (!etcListed) return false;
  return usrListed || fileSystem.FolderExists(std::string(folder) + "var\\lib\\dpkg");
}

bool SystemGuard::IsSystemRoot(fs::FileSystem& fileSystem, std::string_view folder) {
  const std::string path(folder);
  return IsSystemRoot(fileSystem, folder, FolderOrMount(fileSystem, path + "etc"),
                      FolderOrMount(fileSystem, path + "usr"));
}

SystemGuard SystemGuard::ForRoot(fs::FileSystem& fileSystem, std::string_view root,
                                 size_t budgetBytes) {
  SystemGuard guard;
  guard.active_ = true;
  guard.root_ = std::string(root);
  guard.lowerRoot_ = LowerAscii(root);
  guard.lowerVarPath_ = guard.lowerRoot_ + "var\\";
  guard.LoadPackageLists(fileSystem, budgetBytes);
  return guard;
}

SystemGuard SystemGuard::ForDrive(fs::FileSystem& fileSystem, std::string_view path) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return SystemGuard();
  const std::string_view root = path.substr(0, 3);
  if (!IsSystemRoot(fileSystem, root)) return SystemGuard();
  return ForRoot(fileSystem, root);
}

bool SystemGuard::SkipsFolder(std::string_view folderPath, std::string_view name) const {
  if (!active_ || folderPath.size() > lowerVarPath_.size()) return false;
  const std::string lowerFolder = LowerAscii(folderPath);
  if (lowerFolder == lowerRoot_) return IsSystemFolderName(LowerAscii(name));
  if (lowerFolder == lowerVarPath_) return LowerAscii(name) == "lib";
  return false;
}

bool SystemGuard::Protects(std::string_view path) const {
  if (!active_) return false;
  if (protectAll_) return true;
  return !owned_.empty() && owned_.count(fs::FoldName(path)) > 0;
}

void SystemGuard::LoadPackageLists(fs::FileSystem& fileSystem, size_t budgetBytes) {
  const std::string infoDir = root_ + "var\\lib\\dpkg\\info\\";
  if (!fileSystem.FolderExists(infoDir)) return;  // no package manager of that kind
  const auto refuse = [this] {
    protectAll_ = true;
    owned_.clear();
    keptBytes_ = 0;
  };
  fs::FindData entry;
  std::unique_ptr<fs::FindSession> session =
      fileSystem.FindFirst(infoDir + "*.*", entry, fs::FindMode::kNamesOnly);
  if (!session) return refuse();
  do {
    if (entry.dwFileAttributes.HasAny(fs::kAttrDirectory)) continue;
    if (!EndsWith(LowerAscii(entry.cFileName), ".list")) continue;
    // One list at a time: only the entries kept outlive the read.
    std::optional<std::vector<uint8_t>> bytes =
        fileSystem.ReadFile(infoDir + entry.cFileName, kMaxListBytes);
    if (!bytes || bytes->size() >= kMaxListBytes) return refuse();
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    while (!text.empty()) {
      const size_t end = text.find('\n');
      if (!AddOwnedPath(text.substr(0, end), budgetBytes)) return refuse();
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  } while (session->FindNext(entry));
}

bool SystemGuard::AddOwnedPath(std::string_view linuxPath, size_t budgetBytes) {
  if (!linuxPath.empty() && linuxPath.back() == '\r') linuxPath.remove_suffix(1);
  if (linuxPath.size() < 2 || linuxPath[0] != '/') return true;
  linuxPath.remove_prefix(1);
  if (linuxPath == ".") return true;  // the root itself
  // Paths in the folders that are never searched need not be kept.
  const std::string_view top = linuxPath.substr(0, linuxPath.find('/'));
  if (IsSystemFolderName(LowerAscii(top))) return true;
  const std::string lowerHead = LowerAscii(linuxPath.substr(0, 8));
  if (lowerHead == "var/lib" || lowerHead == "var/lib/") return true;
  std::string path = root_;
  path.reserve(path.size() + linuxPath.size());
  size_t nameStart = path.size();
  for (;;) {
    const size_t slash = linuxPath.find('/');
    // Package lists hold the real Linux names; compare them the way the
    // file system shows them.
    nameStart = path.size();
    path += fs::LinuxToWindowsName(linuxPath.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.push_back('\\');
    linuxPath.remove_prefix(slash + 1);
  }
  // Only a file the junk rules would take is ever asked about.
  const std::string_view folder = std::string_view(path).substr(0, nameStart);
  if (!IsJunkFile(ClassifyFolder(folder), std::string_view(path).substr(nameStart))) return true;
  std::string folded = fs::FoldName(path);
  const size_t cost = folded.size() + kEntryOverhead;
  if (owned_.count(folded) > 0) return true;
  if (cost > budgetBytes - std::min(budgetBytes, keptBytes_)) return false;
  keptBytes_ += cost;
  owned_.insert(std::move(folded));
  return true;
}

}  // namespace veltrano::cleanup
