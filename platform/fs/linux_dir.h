// Low-level folder access on Linux: owned descriptors, link- and
// mount-refusing opens below a folder, and a getdents64 reader.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace veltrano::fs {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset();
  // Gives up ownership without closing.
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

// Opens `relative` ("a/b/c", no leading '/', no "." or "..") below the open
// folder `dirFd`. Refuses (errno ELOOP or EXDEV) to pass through a link or
// into another mount, the last component included; `flags` are open flags
// (O_PATH, O_RDONLY, O_DIRECTORY ...). Uses openat2 where the kernel has it,
// and otherwise walks one component at a time, checking each mount id. A
// path longer than one call may name (PATH_MAX) is resolved a part at a time,
// each part under the same rules.
UniqueFd OpenBeneath(int dirFd, std::string_view relative, int flags);

// Opens the absolute path `path` ("/media/usb") with `flags`, refusing
// (ELOOP) a link anywhere in it, the last component included. Mounts on the
// way are crossed: this is how a drive's own root is reached.
UniqueFd OpenWithoutLinks(const std::string& path, int flags);

// Makes OpenBeneath walk one component at a time even where openat2 works
// (the way it goes on kernels and sandboxes without openat2); for tests.
void UseComponentWalk(bool on);

// Status of `name` in the open folder `dirFd` without following a link.
// `mountRoot` tells whether the entry is the root of another mount (a mount
// point seen from the folder). False (errno set) when it cannot be read.
bool StatEntry(int dirFd, const std::string& name, struct statx& st, bool& mountRoot);

// Folder entries all DirReaders of the process have read so far ("." and ".."
// included): what tests and benchmarks measure a command's listing work by.
uint64_t DirEntriesRead();

// Reads the entries of an open folder with getdents64, skipping "." and "..".
class DirReader {
 public:
  explicit DirReader(int dirFd);
  ~DirReader();
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;

  // The next entry's name and d_type (DT_DIR, DT_LNK, DT_UNKNOWN, ...);
  // false at the end or on error.
  bool Next(std::string_view& name, unsigned char& type);

 private:
  int fd_;
  std::unique_ptr<char[]> buffer_;
  long pos_ = 0;
  long end_ = 0;
};

}  // namespace veltrano::fs
