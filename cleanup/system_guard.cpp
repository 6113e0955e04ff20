#include "cleanup/system_guard.h"

#include <array>
#include <cstdint>

#include "cleanup/junk_rules.h"
#include "platform/fs/file_system.h"
#include "platform/fs/linux_name_map.h"
#include "platform/fs/win_path.h"

namespace veltrano::cleanup {
namespace {

// The largest package file list we accept; a longer one counts as unreadable.
constexpr size_t kMaxListBytes = size_t{64} << 20;

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

}  // namespace

SystemGuard SystemGuard::ForDrive(fs::FileSystem& fileSystem, std::string_view path) {
  SystemGuard guard;
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return guard;
  const std::string root(path.substr(0, 3));
  if (!fileSystem.FolderExists(root + "usr") || !fileSystem.FolderExists(root + "etc")) {
    return guard;
  }
  guard.active_ = true;
  guard.lowerRoot_ = LowerAscii(root);
  guard.lowerVarPath_ = guard.lowerRoot_ + "var\\";
  guard.LoadPackageLists(fileSystem);
  return guard;
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

void SystemGuard::LoadPackageLists(fs::FileSystem& fileSystem) {
  const std::string root = lowerRoot_.substr(0, 1) + ":\\";
  const std::string infoDir = root + "var\\lib\\dpkg\\info\\";
  if (!fileSystem.FolderExists(infoDir)) return;  // no package manager of that kind
  fs::FindData entry;
  std::unique_ptr<fs::FindSession> session = fileSystem.FindFirst(infoDir + "*.*", entry);
  if (!session) {
    protectAll_ = true;
    return;
  }
  do {
    if ((entry.dwFileAttributes & fs::kAttrDirectory) != 0) continue;
    if (!EndsWith(LowerAscii(entry.cFileName), ".list")) continue;
    std::optional<std::vector<uint8_t>> bytes =
        fileSystem.ReadFile(infoDir + entry.cFileName, kMaxListBytes);
    if (!bytes || bytes->size() >= kMaxListBytes) {
      protectAll_ = true;
      owned_.clear();
      return;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    while (!text.empty()) {
      const size_t end = text.find('\n');
      AddOwnedPath(text.substr(0, end));
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  } while (session->FindNext(entry));
}

void SystemGuard::AddOwnedPath(std::string_view linuxPath) {
  if (!linuxPath.empty() && linuxPath.back() == '\r') linuxPath.remove_suffix(1);
  if (linuxPath.size() < 2 || linuxPath[0] != '/') return;
  linuxPath.remove_prefix(1);
  if (linuxPath == ".") return;  // the root itself
  // Paths in the folders that are never searched need not be kept.
  const std::string_view top = linuxPath.substr(0, linuxPath.find('/'));
  const std::string lowerTop = LowerAscii(top);
  if (IsSystemFolderName(lowerTop)) return;
  const std::string lowerHead = LowerAscii(linuxPath.substr(0, 8));
  if (lowerHead == "var/lib" || lowerHead == "var/lib/") return;
  std::string path = lowerRoot_;
  path.reserve(path.size() + linuxPath.size());
  for (;;) {
    const size_t slash = linuxPath.find('/');
    // Package lists hold the real Linux names; compare them the way the
    // file system shows them.
    path += fs::LinuxToWindowsName(linuxPath.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.push_back('\\');
    linuxPath.remove_prefix(slash + 1);
  }
  owned_.insert(fs::FoldName(path));
}

}  // namespace veltrano::cleanup
