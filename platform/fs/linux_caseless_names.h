// Lookups of entry names without regard to letter case on Linux folders,
// where names are case-sensitive.
//
// A lookup that the exact name does not answer has to look at every entry of
// the folder. To keep a sweep of a large root (whose names it asks for in
// lower case) from listing that folder again for every name, the folded
// names of a folder are remembered, but only where the folder's status can
// show every later change:
//
//   - A folder's times move in steps (a timer tick of a few milliseconds on
//     kernels before 6.13, two seconds on FAT), so an entry added in the same
//     step as the folder's last change leaves its times, size and link count
//     as they were. A listing is therefore kept only when the folder's last
//     change lies at least kSettleNs before the clock read before the
//     listing; any change after that moves the change time.
//   - The root folder of a FAT or exFAT volume has no times of its own that
//     the kernel updates, and folders of network file systems carry the
//     server's clock: neither is ever kept.
//
// Everything else is listed again at each lookup, and so is a folder that
// this program itself just changed (its change is as recent as anyone's).
// Exact names are never affected: they are looked up before this index.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltrano::fs {

class CaselessNames {
 public:
  // How long a folder must have stayed unchanged before its listing is kept.
  static constexpr int64_t kSettleNs = 2'000'000'000;

  // The Linux name of the first entry (in listing order) of the open folder
  // `dirFd` whose shown name equals `windowsName` without regard to case.
  std::optional<std::string> Find(int dirFd, std::string_view windowsName);
  // Runs `remove`, which removes `linuxName` from the folder `dirFd`, and
  // forgets what is remembered of that folder. Returns what `remove` did.
  bool Remove(int dirFd, const std::string& linuxName, const std::function<bool()>& remove);
  // Forgets everything (after changes the index cannot follow).
  void Clear() { folders_.clear(); }

 private:
  struct Stamp {
    uint32_t devMajor = 0, devMinor = 0;
    uint64_t ino = 0;
    uint64_t size = 0;
    uint32_t links = 0;
    struct statx_timestamp mtime {
    }, ctime{};
    bool settled = false;  // unchanged for kSettleNs when the status was taken
    bool SameFolder(const Stamp& o) const {
      return devMajor == o.devMajor && devMinor == o.devMinor && ino == o.ino;
    }
    bool SameTimes(const Stamp& o) const;
  };
  // folded shown name -> Linux names in listing order ("" stands for a
  // Linux name equal to the key, the common case)
  using Names = std::unordered_map<std::string, std::vector<std::string>>;
  struct Folder {
    Stamp stamp;
    Names names;
    uint64_t used = 0;
  };

  static bool StampOf(int dirFd, Stamp& stamp);
  static bool List(int dirFd, Names& names);
  Folder* Current(const Stamp& stamp);
  void Keep(const Stamp& stamp, Names names);

  std::vector<Folder> folders_;
  uint64_t clock_ = 0;
};

}  // namespace veltrano::fs
