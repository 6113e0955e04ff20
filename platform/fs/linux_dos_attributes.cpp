#include "platform/fs/linux_dos_attributes.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/fs/file_system.h"
#include "platform/fs/linux_dir.h"

namespace veltrano::fs {
namespace {

// The bits as the stores keep them on disk.
constexpr uint32_t kReadOnlyBit = kAttrReadOnly.Bits();
constexpr uint32_t kHiddenBit = kAttrHidden.Bits();
constexpr uint32_t kSystemBit = kAttrSystem.Bits();
constexpr uint32_t kDirectoryBit = kAttrDirectory.Bits();
constexpr uint32_t kArchiveBit = kAttrArchive.Bits();
constexpr uint32_t kChangeable = kReadOnlyBit | kHiddenBit | kSystemBit | kArchiveBit;
constexpr uint32_t kFileAttributeNormal = 0x80;
constexpr const char* kNtfsName = "system.ntfs_attrib";
constexpr const char* kCifsName = "user.cifs.dosattrib";
constexpr const char* kWineName = "user.DOSATTRIB";

// Magic numbers of file systems that <linux/magic.h> does not name.
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kNtfs3Magic = 0x7366746E;
constexpr long kNtfsMagic = 0x5346544E;
constexpr long kFuseMagic = 0x65735546;
constexpr long kCifsMagic = static_cast<long>(0xFF534D42);
constexpr long kSmb2Magic = static_cast<long>(0xFE534D42);

bool IsDir(const struct statx& st) {
  return S_ISDIR(st.stx_mode);
}

uint32_t BaseBits(const struct statx& st) {
  uint32_t bits = IsDir(st) ? kDirectoryBit : kArchiveBit;
  if ((st.stx_mode & S_IWUSR) == 0) bits |= kReadOnlyBit;
  return bits;
}

// getxattrat (Linux 6.13) reads an attribute relative to an open folder in
// one call; older kernels go through the folder's /proc/self/fd entry.
#if defined(__x86_64__) || defined(__aarch64__)
constexpr long kGetXattrAt = 464;
#else
constexpr long kGetXattrAt = -1;
#endif
std::atomic<bool> getXattrAtUsable{kGetXattrAt > 0};

struct XattrArgs {
  uint64_t value;
  uint32_t size;
  uint32_t flags;
};

ssize_t GetEntryXattr(int dirFd, const std::string& name, const char* xattr, void* buffer,
                      size_t size) {
  if (getXattrAtUsable.load(std::memory_order_relaxed)) {
    XattrArgs args{reinterpret_cast<uintptr_t>(buffer), static_cast<uint32_t>(size), 0};
    const long n =
        syscall(kGetXattrAt, dirFd, name.c_str(), AT_SYMLINK_NOFOLLOW, xattr, &args, sizeof args);
    if (n >= 0 || (errno != ENOSYS && errno != EPERM)) return n;
    getXattrAtUsable.store(false, std::memory_order_relaxed);
  }
  return lgetxattr(EntryProcPath(dirFd, name).c_str(), xattr, buffer, size);
}

bool ReadWord(int dirFd, const std::string& name, const char* xattr, uint32_t& value) {
  unsigned char raw[4];
  if (GetEntryXattr(dirFd, name, xattr, raw, sizeof raw) != 4) return false;
  value = raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<uint32_t>(raw[3]) << 24);
  return true;
}

bool WriteWord(const std::string& path, const char* xattr, uint32_t value) {
  const unsigned char raw[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return setxattr(path.c_str(), xattr, raw, sizeof raw, 0) == 0;
}

// The entry `name` of the open folder `dirFd`, opened with `flags` without
// following a link or entering another mount, and only while it is still the
// entry `st` describes. Every attribute write goes through such a
// descriptor, so a mount (or a swap) that appears at the name after it was
// looked up is never written to.
UniqueFd OpenEntry(int dirFd, const std::string& name, const struct statx& st, int flags) {
  UniqueFd fd = OpenBeneath(dirFd, name, flags);
  if (!fd.valid()) return fd;
  struct statx now {};
  if (statx(fd.get(), "", AT_EMPTY_PATH, STATX_INO, &now) != 0 || now.stx_ino != st.stx_ino ||
      now.stx_dev_major != st.stx_dev_major || now.stx_dev_minor != st.stx_dev_minor) {
    errno = ESTALE;
    return UniqueFd();
  }
  return fd;
}

// The path that reaches the inode of an open descriptor (O_PATH ones too)
// through the calls that only take paths.
std::string FdPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

bool ReadWordAt(const std::string& path, const char* xattr, uint32_t& value) {
  unsigned char raw[4];
  if (getxattr(path.c_str(), xattr, raw, sizeof raw) != 4) return false;
  value = raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<uint32_t>(raw[3]) << 24);
  return true;
}

// Read-only as the owner's write permission, set on the entry whose
// descriptor `entryPath` (FdPath) names and whose permission bits are `mode`.
bool WritePermission(const std::string& entryPath, mode_t mode, bool readOnly) {
  mode_t wanted = mode;
  if (readOnly) {
    wanted &= ~static_cast<mode_t>(0222);
  } else if ((mode & S_IWUSR) == 0) {
    wanted |= S_IWUSR;
  }
  if (wanted == mode) return true;
  return chmod(entryPath.c_str(), wanted) == 0;
}

int OpenForIoctl(int dirFd, const std::string& name) {
  return openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

uint32_t ReadFat(int dirFd, const std::string& name, const struct statx& st) {
  const int fd = OpenForIoctl(dirFd, name);
  if (fd < 0) return BaseBits(st);
  uint32_t raw = 0;
  const int rc = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &raw);
  close(fd);
  if (rc != 0) return BaseBits(st);
  return (raw & (kChangeable | kDirectoryBit)) | (IsDir(st) ? kDirectoryBit : 0);
}

bool WriteFat(int dirFd, const std::string& name, const struct statx& st, uint32_t attributes) {
  UniqueFd entry = OpenEntry(dirFd, name, st, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (!entry.valid()) return false;
  const int fd = entry.get();
  uint32_t raw = 0;
  bool ok = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &raw) == 0;
  if (ok) {
    const uint32_t wanted = (raw & ~kChangeable) | (attributes & kChangeable);
    ok = wanted == raw || ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &wanted) == 0;
  } else if (errno == ENOTTY || errno == EINVAL) {
    // A FAT-like file system without the ioctl (older exfat): only read-only
    // can be expressed, through the write permission.
    ok = (attributes & (kHiddenBit | kSystemBit)) == 0 &&
         WritePermission(FdPath(fd), st.stx_mode & 07777, (attributes & kReadOnlyBit) != 0);
  }
  return ok;
}

uint32_t ReadWordStore(const char* xattr, int dirFd, const std::string& name,
                       const struct statx& st) {
  uint32_t raw = 0;
  if (!ReadWord(dirFd, name, xattr, raw)) return BaseBits(st);
  return (raw & kChangeable) | (IsDir(st) ? kDirectoryBit : 0);
}

bool WriteWordStore(const char* xattr, int dirFd, const std::string& name, const struct statx& st,
                    uint32_t attributes) {
  UniqueFd entry = OpenEntry(dirFd, name, st, O_PATH);
  if (!entry.valid()) return false;
  const std::string path = FdPath(entry.get());
  uint32_t raw = 0;
  if (!ReadWordAt(path, xattr, raw)) return false;
  uint32_t wanted = (raw & ~(kChangeable | kFileAttributeNormal)) | (attributes & kChangeable);
  if (wanted == 0 && !IsDir(st)) wanted = kFileAttributeNormal;
  if ((wanted & ~kFileAttributeNormal) == (raw & ~kFileAttributeNormal)) return true;
  return WriteWord(path, xattr, wanted);
}

uint32_t ParseWineValue(const char* text, ssize_t size) {
  if (size < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  uint32_t value = 0;
  for (ssize_t i = 2; i < size && i < 10; ++i) {
    const char c = text[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    value = value * 16 + digit;
  }
  return value;
}

uint32_t ReadWine(int dirFd, const std::string& name, const struct statx& st) {
  uint32_t bits = BaseBits(st);
  char text[256];
  const ssize_t size = GetEntryXattr(dirFd, name, kWineName, text, sizeof text);
  if (size > 0) bits |= ParseWineValue(text, size) & (kHiddenBit | kSystemBit);
  return bits;
}

bool WriteWine(int dirFd, const std::string& name, const struct statx& st, uint32_t attributes) {
  UniqueFd entry = OpenEntry(dirFd, name, st, O_PATH);
  if (!entry.valid()) return false;
  const std::string path = FdPath(entry.get());
  const uint32_t wanted = attributes & (kHiddenBit | kSystemBit);
  uint32_t current = 0;
  char value[256];
  const ssize_t size = getxattr(path.c_str(), kWineName, value, sizeof value);
  if (size > 0) current = ParseWineValue(value, size) & (kHiddenBit | kSystemBit);
  mode_t mode = st.stx_mode & 07777;
  bool ok = true;
  if (wanted != current) {
    // A user attribute can only be changed on an entry one may write to: a
    // read-only one is made writable for the change (it ends as asked below).
    if ((mode & S_IWUSR) == 0 && chmod(path.c_str(), mode | S_IWUSR) == 0) mode |= S_IWUSR;
    if (wanted == 0) {
      ok = removexattr(path.c_str(), kWineName) == 0 || errno == ENODATA;
    } else {
      char text[16];
      const int len = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(wanted));
      ok = setxattr(path.c_str(), kWineName, text, static_cast<size_t>(len), 0) == 0;
    }
  }
  return WritePermission(path, mode, (attributes & kReadOnlyBit) != 0) && ok;
}

}  // namespace

std::string EntryProcPath(int dirFd, const std::string& name) {
  std::string path = "/proc/self/fd/" + std::to_string(dirFd);
  path += '/';
  path += name;
  return path;
}

DosAttributeStore StoreForFsType(std::string_view fsType) {
  if (fsType == "vfat" || fsType == "msdos" || fsType == "exfat")
    return DosAttributeStore::kFatIoctl;
  if (fsType == "ntfs3" || fsType == "ntfs" || fsType == "fuseblk") {
    // fuseblk is almost always ntfs-3g; the other FUSE block file systems
    // have no such attribute and fall back to the permission bits.
    return DosAttributeStore::kNtfsXattr;
  }
  if (fsType == "cifs" || fsType == "smb3" || fsType == "smbfs")
    return DosAttributeStore::kCifsXattr;
  return DosAttributeStore::kWineXattr;
}

DosAttributeStore StoreForFolder(int fd) {
  struct statfs info {};
  if (fstatfs(fd, &info) != 0) return DosAttributeStore::kWineXattr;
  const long magic = static_cast<long>(info.f_type);
  if (magic == MSDOS_SUPER_MAGIC || magic == kExfatMagic) return DosAttributeStore::kFatIoctl;
  if (magic == kNtfs3Magic || magic == kNtfsMagic) {
    return DosAttributeStore::kNtfsXattr;
  }
  if (magic == kCifsMagic || magic == kSmb2Magic) return DosAttributeStore::kCifsXattr;
  if (magic == kFuseMagic) {
    uint32_t raw;
    if (ReadWord(fd, ".", kNtfsName, raw)) {
      return DosAttributeStore::kNtfsXattr;
    }
  }
  return DosAttributeStore::kWineXattr;
}

Attributes ReadDosAttributes(DosAttributeStore store, int dirFd, const std::string& name,
                             const struct statx& st) {
  switch (store) {
    case DosAttributeStore::kFatIoctl:
      return Attributes::FromBits(ReadFat(dirFd, name, st));
    case DosAttributeStore::kNtfsXattr:
      return Attributes::FromBits(ReadWordStore(kNtfsName, dirFd, name, st));
    case DosAttributeStore::kCifsXattr:
      return Attributes::FromBits(ReadWordStore(kCifsName, dirFd, name, st));
    case DosAttributeStore::kWineXattr:
      break;
  }
  return Attributes::FromBits(ReadWine(dirFd, name, st));
}

bool WriteDosAttributes(DosAttributeStore store, int dirFd, const std::string& name,
                        const struct statx& st, Attributes wanted) {
  const uint32_t attributes = wanted.Bits();
  switch (store) {
    case DosAttributeStore::kFatIoctl:
      return WriteFat(dirFd, name, st, attributes);
    case DosAttributeStore::kNtfsXattr:
      return WriteWordStore(kNtfsName, dirFd, name, st, attributes);
    case DosAttributeStore::kCifsXattr:
      return WriteWordStore(kCifsName, dirFd, name, st, attributes);
    case DosAttributeStore::kWineXattr:
      break;
  }
  return WriteWine(dirFd, name, st, attributes);
}

}  // namespace veltrano::fs
