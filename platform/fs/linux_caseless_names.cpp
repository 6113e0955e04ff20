#include "platform/fs/linux_caseless_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/fs/linux_dir.h"
#include "platform/fs/linux_name_map.h"
#include "platform/fs/win_path.h"

namespace veltrano::fs {
namespace {

constexpr size_t kFolders = 4;

bool SameTime(const struct statx_timestamp& a, const struct statx_timestamp& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool CaselessNames::Stamp::SameTimes(const Stamp& o) const {
  return SameTime(mtime, o.mtime) && SameTime(ctime, o.ctime) && size == o.size && links == o.links;
}

bool CaselessNames::StampOf(int dirFd, Stamp& stamp) {
  struct statx st {};
  if (statx(dirFd, "", AT_EMPTY_PATH,
            STATX_INO | STATX_MTIME | STATX_CTIME | STATX_SIZE | STATX_NLINK, &st) != 0) {
    return false;
  }
  stamp.devMajor = st.stx_dev_major;
  stamp.devMinor = st.stx_dev_minor;
  stamp.ino = st.stx_ino;
  stamp.mtime = st.stx_mtime;
  stamp.ctime = st.stx_ctime;
  stamp.size = st.stx_size;
  stamp.links = st.stx_nlink;
  return true;
}

CaselessNames::Folder* CaselessNames::Current(const Stamp& stamp) {
  for (auto it = folders_.begin(); it != folders_.end(); ++it) {
    if (!it->stamp.SameFolder(stamp)) continue;
    if (!it->stamp.SameTimes(stamp)) {
      folders_.erase(it);  // changed behind our back
      return nullptr;
    }
    it->used = ++clock_;
    return &*it;
  }
  return nullptr;
}

CaselessNames::Folder* CaselessNames::Build(int dirFd, const Stamp& stamp) {
  // The stamp was taken before the listing: a change while it runs shows as a
  // changed stamp at the next lookup, which then lists the folder again.
  UniqueFd listing(openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.valid()) return nullptr;
  Folder folder;
  folder.stamp = stamp;
  DirReader reader(listing.get());
  std::string_view name;
  unsigned char type;
  while (reader.Next(name, type)) {
    std::string key = FoldName(LinuxToWindowsName(name));
    std::vector<std::string>& linuxNames = folder.names[key];
    linuxNames.push_back(key == name ? std::string() : std::string(name));
  }
  if (folders_.size() >= kFolders) {
    folders_.erase(
        std::min_element(folders_.begin(), folders_.end(),
                         [](const Folder& a, const Folder& b) { return a.used < b.used; }));
  }
  folder.used = ++clock_;
  folders_.push_back(std::move(folder));
  return &folders_.back();
}

std::optional<std::string> CaselessNames::Find(int dirFd, std::string_view windowsName) {
  Stamp stamp;
  if (!StampOf(dirFd, stamp)) return std::nullopt;
  Folder* folder = Current(stamp);
  if (!folder) folder = Build(dirFd, stamp);
  if (!folder) return std::nullopt;
  const std::string key = FoldName(windowsName);
  const auto it = folder->names.find(key);
  if (it == folder->names.end() || it->second.empty()) return std::nullopt;
  return it->second.front().empty() ? key : it->second.front();
}

bool CaselessNames::Remove(int dirFd, const std::string& linuxName,
                           const std::function<bool()>& remove) {
  Stamp before;
  Folder* folder = StampOf(dirFd, before) ? Current(before) : nullptr;
  const bool removed = remove();
  if (!folder) return removed;
  Stamp after;
  if (!removed || !StampOf(dirFd, after)) {
    // A failed removal may still have touched the folder (its permission).
    std::erase_if(folders_, [&](const Folder& f) { return f.stamp.SameFolder(before); });
    return removed;
  }
  const std::string key = FoldName(LinuxToWindowsName(linuxName));
  auto it = folder->names.find(key);
  if (it != folder->names.end()) {
    const std::string stored = key == linuxName ? std::string() : linuxName;
    auto pos = std::find(it->second.begin(), it->second.end(), stored);
    if (pos != it->second.end()) it->second.erase(pos);
    if (it->second.empty()) folder->names.erase(it);
  }
  folder->stamp = after;
  return removed;
}

}  // namespace veltrano::fs
