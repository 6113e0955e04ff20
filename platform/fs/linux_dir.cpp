#include "platform/fs/linux_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace veltrano::fs {
namespace {

constexpr long kBufferSize = 64 * 1024;
// The longest relative path one open call is given; longer ones are
// resolved a part at a time (PATH_MAX is 4096 with its NUL).
constexpr size_t kMaxResolve = 3072;

// openat2 is missing on old kernels and refused by some sandboxes; after the
// first such answer every open goes the component-by-component way.
std::atomic<bool> openat2Usable{true};
std::atomic<bool> componentWalkForced{false};
std::atomic<uint64_t> entriesRead{0};

struct LinuxDirent64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

bool MountId(int fd, const char* name, int atFlags, uint64_t& id, bool& mountRoot) {
  struct statx st {};
  if (statx(fd, name, atFlags | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_MNT_ID, &st) != 0) {
    return false;
  }
  mountRoot = (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
              (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
  id = (st.stx_mask & STATX_MNT_ID) != 0 ? st.stx_mnt_id : 0;
  return true;
}

UniqueFd WalkBeneath(int dirFd, std::string_view relative, int flags) {
  uint64_t baseId = 0;
  bool ignored = false;
  if (!MountId(dirFd, "", AT_EMPTY_PATH, baseId, ignored)) return UniqueFd();
  UniqueFd current;
  int at = dirFd;
  size_t i = 0;
  while (i <= relative.size()) {
    size_t j = relative.find('/', i);
    if (j == std::string_view::npos) j = relative.size();
    const std::string name(relative.substr(i, j - i));
    const bool last = j == relative.size();
    if (name.empty() || name == "." || name == "..") {
      errno = ENOENT;
      return UniqueFd();
    }
    const int stepFlags = last ? flags : (O_PATH | O_DIRECTORY);
    UniqueFd next(openat(at, name.c_str(), stepFlags | O_NOFOLLOW | O_CLOEXEC));
    if (!next.valid()) {
      // O_PATH | O_NOFOLLOW opens the link itself; plain opens fail with ELOOP.
      return UniqueFd();
    }
    struct stat info {};
    if (fstat(next.get(), &info) != 0) return UniqueFd();
    if (S_ISLNK(info.st_mode)) {
      errno = ELOOP;
      return UniqueFd();
    }
    uint64_t id = 0;
    bool mountRoot = false;
    if (!MountId(next.get(), "", AT_EMPTY_PATH, id, mountRoot)) return UniqueFd();
    if (mountRoot || (id != 0 && baseId != 0 && id != baseId)) {
      errno = EXDEV;
      return UniqueFd();
    }
    current = std::move(next);
    at = current.get();
    i = j + 1;
  }
  return current;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  reset();
}

void UniqueFd::reset() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

static UniqueFd OpenBeneathOnce(int dirFd, std::string_view relative, int flags);

UniqueFd OpenBeneath(int dirFd, std::string_view relative, int flags) {
  if (relative.empty()) {
    errno = ENOENT;
    return UniqueFd();
  }
  // Deep trees hold paths past PATH_MAX: walk them a part at a time.
  UniqueFd part;
  int at = dirFd;
  while (relative.size() > kMaxResolve) {
    const size_t cut = relative.rfind('/', kMaxResolve);
    if (cut == std::string_view::npos || cut == 0) {
      errno = ENAMETOOLONG;
      return UniqueFd();
    }
    UniqueFd next = OpenBeneathOnce(at, relative.substr(0, cut), O_PATH | O_DIRECTORY);
    if (!next.valid()) return next;
    part = std::move(next);
    at = part.get();
    relative.remove_prefix(cut + 1);
  }
  return OpenBeneathOnce(at, relative, flags);
}

UniqueFd OpenWithoutLinks(const std::string& path, int flags) {
  if (path.empty() || path[0] != '/') {
    errno = EINVAL;
    return UniqueFd();
  }
  UniqueFd root(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!root.valid()) return root;
  std::string_view rest(path);
  while (!rest.empty() && rest[0] == '/') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  if (rest.empty()) return UniqueFd(openat(root.get(), ".", flags | O_CLOEXEC));
  if (openat2Usable.load(std::memory_order_relaxed) &&
      !componentWalkForced.load(std::memory_order_relaxed) && rest.size() < kMaxResolve) {
    struct open_how how {};
    how.flags = static_cast<uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC);
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const std::string relative(rest);
    const long fd = syscall(SYS_openat2, root.get(), relative.c_str(), &how, sizeof how);
    if (fd >= 0) return UniqueFd(static_cast<int>(fd));
    if (errno != ENOSYS && errno != EPERM) return UniqueFd();
    openat2Usable.store(false, std::memory_order_relaxed);
  }
  // One component at a time, each opened without following a link.
  UniqueFd current = std::move(root);
  while (!rest.empty()) {
    size_t j = rest.find('/');
    if (j == std::string_view::npos) j = rest.size();
    const std::string name(rest.substr(0, j));
    rest.remove_prefix(j);
    while (!rest.empty() && rest[0] == '/') rest.remove_prefix(1);
    if (name == "." || name == "..") {
      errno = EINVAL;
      return UniqueFd();
    }
    const int stepFlags = rest.empty() ? flags : (O_PATH | O_DIRECTORY);
    UniqueFd next(openat(current.get(), name.c_str(), stepFlags | O_NOFOLLOW | O_CLOEXEC));
    if (!next.valid()) return next;
    struct stat info {};
    if (fstat(next.get(), &info) != 0) return UniqueFd();
    if (S_ISLNK(info.st_mode)) {
      errno = ELOOP;
      return UniqueFd();
    }
    current = std::move(next);
  }
  return current;
}

static UniqueFd OpenBeneathOnce(int dirFd, std::string_view relative, int flags) {
  if (openat2Usable.load(std::memory_order_relaxed) &&
      !componentWalkForced.load(std::memory_order_relaxed)) {
    struct open_how how {};
    how.flags = static_cast<uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    const std::string path(relative);
    const long fd = syscall(SYS_openat2, dirFd, path.c_str(), &how, sizeof how);
    if (fd >= 0) return UniqueFd(static_cast<int>(fd));
    if (errno != ENOSYS && errno != EPERM) return UniqueFd();
    openat2Usable.store(false, std::memory_order_relaxed);
  }
  return WalkBeneath(dirFd, relative, flags);
}

void UseComponentWalk(bool on) {
  componentWalkForced.store(on);
}

bool StatEntry(int dirFd, const std::string& name, struct statx& st, bool& mountRoot) {
  if (statx(dirFd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
            STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID, &st) != 0) {
    return false;
  }
  if ((st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0) {
    mountRoot = (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return true;
  }
  // Kernels that do not report mount roots: compare the mount ids.
  uint64_t folderId = 0;
  bool ignored = false;
  mountRoot = (st.stx_mask & STATX_MNT_ID) != 0 &&
              MountId(dirFd, "", AT_EMPTY_PATH, folderId, ignored) && folderId != 0 &&
              folderId != st.stx_mnt_id;
  return true;
}

uint64_t DirEntriesRead() {
  return entriesRead.load(std::memory_order_relaxed);
}

DirReader::DirReader(int dirFd) : fd_(dirFd), buffer_(new char[kBufferSize]) {}
DirReader::~DirReader() = default;

bool DirReader::Next(std::string_view& name, unsigned char& type) {
  for (;;) {
    if (pos_ >= end_) {
      const long n = syscall(SYS_getdents64, fd_, buffer_.get(), kBufferSize);
      if (n <= 0) return false;
      pos_ = 0;
      end_ = n;
    }
    const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer_.get() + pos_);
    pos_ += d->d_reclen;
    entriesRead.fetch_add(1, std::memory_order_relaxed);
    const char* n = d->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    name = std::string_view(n, std::strlen(n));
    type = d->d_type;
    return true;
  }
}

}  // namespace veltrano::fs
