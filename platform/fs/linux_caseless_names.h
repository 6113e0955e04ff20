// Lookups of entry names without regard to letter case on Linux folders,
// where names are case-sensitive.
//
// A lookup that the exact name does not answer has to look at every entry of
// the folder. To keep a sweep of a large root (whose names it asks for in
// lower case) or the deletion of many files in one folder from listing that
// folder again for every name, the folded names of a folder are remembered
// while its modification and change times, size and link count stay the
// same, and removals made through Remove() keep them in step. (A change made
// by another program within the same clock tick as the folder's previous
// change can go unseen until the folder changes again; exact names are never
// affected, since they are looked up before this index is asked.)
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
  // The Linux name of the first entry (in listing order) of the open folder
  // `dirFd` whose shown name equals `windowsName` without regard to case.
  std::optional<std::string> Find(int dirFd, std::string_view windowsName);
  // Runs `remove`, which removes `linuxName` from the folder `dirFd`, and
  // keeps the folder's remembered names in step. Returns what `remove` did.
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
    bool SameFolder(const Stamp& o) const {
      return devMajor == o.devMajor && devMinor == o.devMinor && ino == o.ino;
    }
    bool SameTimes(const Stamp& o) const;
  };
  struct Folder {
    Stamp stamp;
    // folded shown name -> Linux names in listing order ("" stands for a
    // Linux name equal to the key, the common case)
    std::unordered_map<std::string, std::vector<std::string>> names;
    uint64_t used = 0;
  };

  static bool StampOf(int dirFd, Stamp& stamp);
  Folder* Current(const Stamp& stamp);
  Folder* Build(int dirFd, const Stamp& stamp);

  std::vector<Folder> folders_;
  uint64_t clock_ = 0;
};

}  // namespace veltrano::fs
