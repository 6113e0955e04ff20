#include "platform/fs/linux_caseless_names.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "platform/fs/linux_dir.h"
#include "platform/fs/linux_name_map.h"
#include "platform/fs/win_path.h"

namespace veltrano::fs {
namespace {

constexpr size_t kFolders = 4;

// The inode number FAT and exFAT give their root folder.
constexpr uint64_t kFatRootIno = 1;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kCifsMagic = static_cast<long>(0xFF534D42);
constexpr long kSmb2Magic = static_cast<long>(0xFE534D42);
constexpr long kV9fsMagic = 0x01021997;
constexpr long kCephMagic = 0x00C36400;
constexpr long kAfsMagic = 0x6B414653;

bool SameTime(const struct statx_timestamp& a, const struct statx_timestamp& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

int64_t Ns(const struct statx_timestamp& t) {
  return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

// Folders whose status never shows some changes made to them.
bool TimesUnreliable(int dirFd, uint64_t ino) {
  struct statfs info {};
  if (fstatfs(dirFd, &info) != 0) return true;
  const long magic = static_cast<long>(info.f_type);
  if (magic == MSDOS_SUPER_MAGIC || magic == kExfatMagic) return ino == kFatRootIno;
  return magic == NFS_SUPER_MAGIC || magic == kCifsMagic || magic == kSmb2Magic ||
         magic == SMB_SUPER_MAGIC || magic == kV9fsMagic || magic == kCephMagic ||
         magic == kAfsMagic || magic == CODA_SUPER_MAGIC;
}

}  // namespace

bool CaselessNames::Stamp::SameTimes(const Stamp& o) const {
  return SameTime(mtime, o.mtime) && SameTime(ctime, o.ctime) && size == o.size && links == o.links;
}

bool CaselessNames::StampOf(int dirFd, Stamp& stamp) {
  // The clock is read first: a change after the status was taken gets a time
  // no earlier than this reading. The kernel stamps changes with its coarse
  // clock, which trails the precise one by up to a timer tick (more in a
  // busy virtual machine); read against the precise clock, a change made just
  // after this reading could carry the same two-second FAT time as the
  // folder's last change and go unnoticed.
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
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
  const int64_t settledBefore = now.tv_sec * 1'000'000'000LL + now.tv_nsec - kSettleNs;
  const bool timesKnown =
      (st.stx_mask & (STATX_MTIME | STATX_CTIME)) == (STATX_MTIME | STATX_CTIME);
  stamp.settled =
      timesKnown && Ns(st.stx_ctime) <= settledBefore && Ns(st.stx_mtime) <= settledBefore;
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

bool CaselessNames::List(int dirFd, Names& names) {
  UniqueFd listing(openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listing.valid()) return false;
  DirReader reader(listing.get());
  std::string_view name;
  unsigned char type;
  while (reader.Next(name, type)) {
    std::string key = FoldName(LinuxToWindowsName(name));
    std::vector<std::string>& linuxNames = names[key];
    linuxNames.push_back(key == name ? std::string() : std::string(name));
  }
  return true;
}

void CaselessNames::Keep(const Stamp& stamp, Names names) {
  std::erase_if(folders_, [&](const Folder& f) { return f.stamp.SameFolder(stamp); });
  if (folders_.size() >= kFolders) {
    folders_.erase(
        std::min_element(folders_.begin(), folders_.end(),
                         [](const Folder& a, const Folder& b) { return a.used < b.used; }));
  }
  folders_.push_back(Folder{stamp, std::move(names), ++clock_});
}

std::optional<std::string> CaselessNames::Find(int dirFd, std::string_view windowsName) {
  Stamp stamp;
  if (!StampOf(dirFd, stamp)) return std::nullopt;
  const std::string key = FoldName(windowsName);
  auto answer = [&](const Names& names) -> std::optional<std::string> {
    const auto it = names.find(key);
    if (it == names.end() || it->second.empty()) return std::nullopt;
    return it->second.front().empty() ? key : it->second.front();
  };
  // A remembered folder was found keepable when its listing was made.
  if (stamp.settled) {
    if (const Folder* folder = Current(stamp)) return answer(folder->names);
  }
  // The stamp was taken before the listing: a change while it runs shows as
  // a changed stamp at the next lookup, which then lists the folder again.
  Names names;
  if (!List(dirFd, names)) return std::nullopt;
  auto found = answer(names);
  if (stamp.settled && !TimesUnreliable(dirFd, stamp.ino)) Keep(stamp, std::move(names));
  return found;
}

bool CaselessNames::Remove(int dirFd, const std::string& /*linuxName*/,
                           const std::function<bool()>& remove) {
  if (folders_.empty()) return remove();  // nothing remembered, nothing to forget
  Stamp before;
  const bool known = StampOf(dirFd, before);
  const bool removed = remove();
  // Even a failed removal may have touched the folder (its permission); and
  // after a removal the folder's last change is too recent to vouch for
  // changes others make in the same tick.
  if (known) std::erase_if(folders_, [&](const Folder& f) { return f.stamp.SameFolder(before); });
  return removed;
}

}  // namespace veltrano::fs
