#include "platform/fs/linux_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "platform/fs/linux_caseless_names.h"
#include "platform/fs/linux_dir.h"
#include "platform/fs/linux_dos_attributes.h"
#include "platform/fs/linux_mount_table.h"
#include "platform/fs/linux_name_map.h"
#include "platform/fs/win_path.h"

namespace veltrano::fs {
namespace {

constexpr size_t kCacheSize = 16;
constexpr int kMaxDeleteDepth = 4096;

struct Drive {
  char letter = 'C';
  uint32_t type = kDriveFixed;
  std::string hostPath;
  int mountId = -1;  // -1: a folder given by hand, no mount to check
  std::string fsType;
  UniqueFd root;  // O_PATH descriptor of the root, opened on first use
  DosAttributeStore store = DosAttributeStore::kWineXattr;
};

// One entry resolved below its folder.
struct Entry {
  UniqueFd folder;   // O_PATH descriptor of the folder holding it
  std::string name;  // its Linux name
  struct statx st {};
  bool IsLink() const { return S_ISLNK(st.stx_mode); }
  bool IsDir() const { return S_ISDIR(st.stx_mode); }
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int64_t Seconds(const struct statx_timestamp& t) {
  return t.tv_sec;
}

constexpr uint32_t kLinkAttributes = kAttrReparsePoint | kAttrArchive;

// The type of the file system that holds the open folder `fd`, from the
// mount table; "" when the table does not name its mount.
std::string MountFsType(const std::string& mountInfoPath, int fd) {
  struct statx st {};
  if (statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &st) != 0 || (st.stx_mask & STATX_MNT_ID) == 0) {
    return {};
  }
  for (const MountInfoEntry& m : ParseMountInfo(ReadText(mountInfoPath))) {
    if (static_cast<uint64_t>(m.mountId) == st.stx_mnt_id) return m.fsType;
  }
  return {};
}

}  // namespace

class LinuxFileSystem::Impl {
 public:
  bool directoryMode = false;
  LinuxHostConfig config;
  std::vector<Drive> drives;

  struct Cached {
    std::string key;  // "E:\a\b" exactly as asked
    UniqueFd fd;      // a descriptor of that folder, used only as the folder of *at calls
    uint64_t used = 0;
  };
  std::vector<Cached> cache;
  uint64_t clock = 0;

  void LoadMounts() {
    const std::string text = ReadText(config.mountInfoPath);
    if (text.empty()) return;  // keep what we had
    std::vector<Drive> fresh;
    for (const MountDrive& m : AssignDriveLetters(ParseMountInfo(text), config.sysfsRoot)) {
      Drive d;
      d.letter = m.letter;
      d.type = m.type;
      d.hostPath = m.mountPoint;
      d.mountId = m.mountId;
      d.fsType = m.fsType;
      d.store = StoreForFsType(m.fsType);
      fresh.push_back(std::move(d));
    }
    cache.clear();
    drives = std::move(fresh);
  }

  Drive* FindDrive(char letter) {
    for (Drive& d : drives) {
      if (d.letter == letter) return &d;
    }
    return nullptr;
  }

  // The root descriptor of a drive; -1 when the drive's folder or mount is gone.
  int RootFd(Drive& d) {
    if (d.root.valid()) return d.root.get();
    UniqueFd fd(open(d.hostPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return -1;
    if (d.mountId >= 0) {
      struct statx st {};
      if (statx(fd.get(), "", AT_EMPTY_PATH, STATX_MNT_ID, &st) != 0) return -1;
      // The mount point no longer shows the mount the table named.
      if ((st.stx_mask & STATX_MNT_ID) != 0 && st.stx_mnt_id != static_cast<uint64_t>(d.mountId)) {
        return -1;
      }
      if (d.fsType == "fuseblk") d.store = StoreForFolder(fd.get());
    } else {
      d.store = StoreForFolder(fd.get());
    }
    d.root = std::move(fd);
    return d.root.get();
  }

  static std::string Key(char letter, const std::vector<std::string>& parts, size_t count) {
    std::string key(1, letter);
    key += ':';
    for (size_t i = 0; i < count; ++i) {
      key += '\\';
      key += parts[i];
    }
    return key;
  }

  int CacheLookup(const std::string& key) {
    for (auto it = cache.begin(); it != cache.end(); ++it) {
      if (it->key != key) continue;
      struct stat info {};
      if (fstat(it->fd.get(), &info) != 0 || info.st_nlink == 0) {
        cache.erase(it);  // deleted behind our back
        return -1;
      }
      it->used = ++clock;
      return it->fd.get();
    }
    return -1;
  }

  void CacheStore(std::string key, int fd) {
    UniqueFd copy(fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!copy.valid()) return;
    if (cache.size() >= kCacheSize) {
      auto oldest =
          std::min_element(cache.begin(), cache.end(),
                           [](const Cached& a, const Cached& b) { return a.used < b.used; });
      cache.erase(oldest);
    }
    cache.push_back(Cached{std::move(key), std::move(copy), ++clock});
  }

  CaselessNames caseless;

  // The first entry of the folder `dirFd` whose shown name matches
  // `windowsName` without regard to letter case.
  std::optional<std::string> ScanForName(int dirFd, const std::string& windowsName) {
    return caseless.Find(dirFd, windowsName);
  }

  // The Linux name in the folder `dirFd` that the Windows name stands for:
  // the exact mapping when such an entry exists, else the first entry whose
  // shown name matches without regard to case. nullopt when there is none.
  // errno is ENOENT when nothing matches, and tells why otherwise.
  std::optional<std::string> MatchName(int dirFd, const std::string& windowsName) {
    const auto exact = WindowsToLinuxName(windowsName);
    if (exact) {
      struct stat info {};
      if (fstatat(dirFd, exact->c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return exact;
      if (errno != ENOENT) return std::nullopt;
    }
    auto found = ScanForName(dirFd, windowsName);
    if (!found) errno = ENOENT;
    return found;
  }

  // Opens the folder made of the first `count` names of `path`, with `flags`
  // (O_PATH or O_RDONLY, O_DIRECTORY is added). On failure errno is ENOENT
  // only when some name of the path names nothing.
  UniqueFd OpenFolder(const WinPath& path, size_t count, int flags) {
    Drive* d = FindDrive(path.letter);
    if (!d) {
      errno = ENODEV;
      return UniqueFd();
    }
    const int rootFd = RootFd(*d);
    if (rootFd < 0) {
      errno = ENODEV;
      return UniqueFd();
    }
    flags |= O_DIRECTORY;

    int start = rootFd;
    size_t from = 0;
    for (size_t k = count; k > 0; --k) {
      const int fd = CacheLookup(Key(path.letter, path.parts, k));
      if (fd >= 0) {
        start = fd, from = k;
        break;
      }
    }
    if (from == count) return UniqueFd(openat(start, ".", flags | O_CLOEXEC));

    // Fast way: every name maps exactly, one call resolves them all.
    std::string relative;
    bool mapped = true;
    for (size_t i = from; i < count && mapped; ++i) {
      const auto name = WindowsToLinuxName(path.parts[i]);
      if (!name) {
        mapped = false;
        break;
      }
      if (!relative.empty()) relative += '/';
      relative += *name;
    }
    UniqueFd fd;
    if (mapped) {
      fd = OpenBeneath(start, relative, flags);
      if (!fd.valid() && errno != ENOENT) return UniqueFd();
    }
    if (!fd.valid()) {
      // Some name differs in letter case: one folder at a time.
      UniqueFd current;
      int at = start;
      for (size_t i = from; i < count; ++i) {
        const auto name = MatchName(at, path.parts[i]);
        if (!name) return UniqueFd();
        current = OpenBeneath(at, *name, i + 1 == count ? flags : O_PATH | O_DIRECTORY);
        if (!current.valid()) return UniqueFd();
        at = current.get();
      }
      fd = std::move(current);
    }
    // The cache only ever uses its copy as the folder of *at calls, so a
    // copy of a listing descriptor (which shares its read position) will do.
    CacheStore(Key(path.letter, path.parts, count), fd.get());
    return fd;
  }

  // Resolves the last name of a path (not a root) to an entry of its folder.
  // When there is none, errno is ENOENT only if the path names nothing (and
  // EXDEV for the root of another mount, ELOOP for a link on the way ...).
  std::optional<Entry> Lookup(const WinPath& path) {
    if (path.parts.empty()) {
      errno = EINVAL;
      return std::nullopt;
    }
    Entry e;
    e.folder = OpenFolder(path, path.parts.size() - 1, O_PATH);
    if (!e.folder.valid()) return std::nullopt;
    bool mountRoot = false;
    std::optional<std::string> name = WindowsToLinuxName(path.parts.back());
    if (!name || !StatEntry(e.folder.get(), *name, e.st, mountRoot)) {
      if (name && errno != ENOENT) return std::nullopt;
      name = ScanForName(e.folder.get(), path.parts.back());
      if (!name) {
        errno = ENOENT;
        return std::nullopt;
      }
      if (!StatEntry(e.folder.get(), *name, e.st, mountRoot)) return std::nullopt;
    }
    if (mountRoot) {
      errno = EXDEV;
      return std::nullopt;
    }
    e.name = *name;
    return e;
  }

  std::optional<Entry> Lookup(std::string_view path) {
    const auto parsed = ParseWinPath(path);
    if (!parsed) return std::nullopt;
    return Lookup(*parsed);
  }

  DosAttributeStore StoreOf(char letter) {
    Drive* d = FindDrive(letter);
    return d ? d->store : DosAttributeStore::kWineXattr;
  }

  uint32_t AttributesOf(char letter, const Entry& e) {
    if (e.IsLink()) return kLinkAttributes;
    return ReadDosAttributes(StoreOf(letter), e.folder.get(), e.name, e.st);
  }

  // Removes one entry of an open folder; a folder that refuses because it is
  // not writable is made writable for the owner first (on Windows a folder's
  // read-only bit does not protect what is in it).
  static bool Unlink(int folderFd, const std::string& name, int flags) {
    if (unlinkat(folderFd, name.c_str(), flags) == 0) return true;
    if (errno != EACCES && errno != EPERM) return false;
    struct stat info {};
    if (fstat(folderFd, &info) != 0 || (info.st_mode & S_IWUSR) != 0) return false;
    const std::string self = "/proc/self/fd/" + std::to_string(folderFd);
    if (chmod(self.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0) return false;
    const bool ok = unlinkat(folderFd, name.c_str(), flags) == 0;
    chmod(self.c_str(), info.st_mode & 07777);
    return ok;
  }

  // Removes everything inside the open folder `dirFd`; false when anything stayed.
  bool EmptyFolder(int dirFd, DosAttributeStore store, int depth) {
    if (depth > kMaxDeleteDepth) return false;
    // Read the names first: some file systems skip entries when the folder
    // changes while it is being read.
    std::vector<std::pair<std::string, unsigned char>> entries;
    {
      DirReader reader(dirFd);
      std::string_view name;
      unsigned char type;
      while (reader.Next(name, type)) entries.emplace_back(std::string(name), type);
    }
    bool all = true;
    for (const auto& [name, type] : entries) {
      bool isDir = type == DT_DIR;
      if (type == DT_UNKNOWN) {
        struct stat info {};
        if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        isDir = S_ISDIR(info.st_mode);
      }
      if (isDir) {
        UniqueFd child = OpenBeneath(dirFd, name, O_RDONLY | O_DIRECTORY);
        if (!child.valid()) {
          all = false;  // a mount point, or a folder we may not open
          continue;
        }
        if (!EmptyFolder(child.get(), store, depth + 1)) {
          all = false;
          continue;
        }
        child.reset();
        if (!Unlink(dirFd, name, AT_REMOVEDIR)) all = false;
      } else if (!Unlink(dirFd, name, 0)) {
        // FAT and NTFS may refuse a read-only entry: clear it and try again.
        struct statx st {};
        bool mountRoot = false;
        if (store == DosAttributeStore::kWineXattr || !StatEntry(dirFd, name, st, mountRoot) ||
            S_ISLNK(st.stx_mode) || !WriteDosAttributes(store, dirFd, name, st, kAttrNormal) ||
            !Unlink(dirFd, name, 0)) {
          all = false;
        }
      }
    }
    return all;
  }
};

namespace {

class LinuxFindSession : public FindSession {
 public:
  LinuxFindSession(UniqueFd dir, std::string pattern, FindMode mode, DosAttributeStore store)
      : dir_(std::move(dir)),
        reader_(dir_.get()),
        pattern_(std::move(pattern)),
        matchAll_(pattern_ == "*" || pattern_ == "*.*"),
        mode_(mode),
        store_(store) {}

  bool FindNext(FindData& out) override {
    std::string_view name;
    unsigned char type;
    while (reader_.Next(name, type)) {
      std::string shown = LinuxToWindowsName(name);
      if (!matchAll_ && !MatchesPattern(pattern_, shown)) continue;
      if (!Fill(std::string(name), type, out)) continue;
      out.cFileName = std::move(shown);
      return true;
    }
    return false;
  }

 private:
  bool Fill(const std::string& name, unsigned char type, FindData& out) {
    out.ftCreationTime = out.ftLastAccessTime = out.ftLastWriteTime = 0;
    out.nFileSize = 0;
    if (mode_ == FindMode::kNamesOnly && type != DT_UNKNOWN) {
      out.dwFileAttributes = type == DT_DIR   ? kAttrDirectory
                             : type == DT_LNK ? kAttrReparsePoint
                                              : 0;
      return true;
    }
    struct statx st {};
    bool mountRoot = false;
    if (!StatEntry(dir_.get(), name, st, mountRoot)) return false;  // gone meanwhile
    if (mode_ == FindMode::kNamesOnly) {
      out.dwFileAttributes = S_ISDIR(st.stx_mode)   ? kAttrDirectory
                             : S_ISLNK(st.stx_mode) ? kAttrReparsePoint
                                                    : 0;
      return true;
    }
    if (S_ISLNK(st.stx_mode)) {
      out.dwFileAttributes = kLinkAttributes;
    } else if (mountRoot) {
      out.dwFileAttributes = kAttrDirectory;  // another mount: shown, never entered
    } else {
      out.dwFileAttributes = ReadDosAttributes(store_, dir_.get(), name, st);
    }
    out.ftCreationTime =
        (st.stx_mask & STATX_BTIME) != 0 ? Seconds(st.stx_btime) : Seconds(st.stx_ctime);
    out.ftLastAccessTime = Seconds(st.stx_atime);
    out.ftLastWriteTime = Seconds(st.stx_mtime);
    out.nFileSize = S_ISREG(st.stx_mode) ? st.stx_size : 0;
    return true;
  }

  UniqueFd dir_;
  DirReader reader_;
  std::string pattern_;
  bool matchAll_;
  FindMode mode_;
  DosAttributeStore store_;
};

}  // namespace

LinuxFileSystem::LinuxFileSystem(LinuxHostConfig config) : impl_(std::make_unique<Impl>()) {
  impl_->config = std::move(config);
  impl_->LoadMounts();
}

LinuxFileSystem::LinuxFileSystem(std::vector<DriveSpec> drives) : impl_(std::make_unique<Impl>()) {
  impl_->directoryMode = true;
  std::sort(drives.begin(), drives.end(),
            [](const DriveSpec& a, const DriveSpec& b) { return a.letter < b.letter; });
  for (DriveSpec& desc : drives) {
    if (impl_->FindDrive(desc.letter)) continue;
    Drive d;
    d.letter = desc.letter;
    d.type = desc.type;
    d.hostPath = std::move(desc.hostPath);
    impl_->drives.push_back(std::move(d));
  }
}

LinuxFileSystem::~LinuxFileSystem() = default;

std::vector<LinuxFileSystem::DriveInfo> LinuxFileSystem::Drives() const {
  std::vector<DriveInfo> out;
  for (const Drive& d : impl_->drives) {
    DriveInfo info{d.letter, d.type, d.hostPath, d.fsType, d.store};
    // Folders given by hand and FUSE block mounts are judged from the folder
    // itself, as RootFd does when the drive is first used.
    if (d.mountId < 0 || d.fsType == "fuseblk") {
      UniqueFd fd(open(d.hostPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      if (fd.valid()) {
        info.store = StoreForFolder(fd.get());
        if (info.fsType.empty()) info.fsType = MountFsType(impl_->config.mountInfoPath, fd.get());
      }
    }
    out.push_back(std::move(info));
  }
  return out;
}

uint32_t LinuxFileSystem::GetLogicalDrives() {
  if (!impl_->directoryMode) impl_->LoadMounts();
  uint32_t mask = 0;
  for (const Drive& d : impl_->drives) mask |= 1u << (d.letter - 'A');
  return mask;
}

uint32_t LinuxFileSystem::GetDriveType(std::string_view root) {
  const auto parsed = ParseWinPath(root);
  if (!parsed || !parsed->parts.empty()) return kDriveNoRootDir;
  const Drive* d = impl_->FindDrive(parsed->letter);
  return d ? d->type : kDriveNoRootDir;
}

std::unique_ptr<FindSession> LinuxFileSystem::FindFirst(std::string_view pattern, FindData& first) {
  return FindFirst(pattern, first, FindMode::kFull);
}

std::unique_ptr<FindSession> LinuxFileSystem::FindFirst(std::string_view pattern, FindData& first,
                                                        FindMode mode) {
  const auto parsed = ParseWinPattern(pattern);
  if (!parsed) return nullptr;
  UniqueFd dir = impl_->OpenFolder(parsed->folder, parsed->folder.parts.size(), O_RDONLY);
  if (!dir.valid()) return nullptr;
  auto session = std::make_unique<LinuxFindSession>(std::move(dir), parsed->name, mode,
                                                    impl_->StoreOf(parsed->folder.letter));
  if (!session->FindNext(first)) return nullptr;
  return session;
}

uint32_t LinuxFileSystem::GetAttributes(std::string_view path) {
  const auto parsed = ParseWinPath(path);
  if (!parsed) return kInvalidAttributes;
  if (parsed->IsRoot()) {
    return impl_->OpenFolder(*parsed, 0, O_PATH).valid() ? kAttrDirectory : kInvalidAttributes;
  }
  const auto e = impl_->Lookup(*parsed);
  return e ? impl_->AttributesOf(parsed->letter, *e) : kInvalidAttributes;
}

bool LinuxFileSystem::SetAttributes(std::string_view path, uint32_t attributes) {
  const auto parsed = ParseWinPath(path);
  if (!parsed || parsed->IsRoot()) return false;
  const auto e = impl_->Lookup(*parsed);
  if (!e) return false;
  if (e->IsLink()) return (attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)) == 0;
  return WriteDosAttributes(impl_->StoreOf(parsed->letter), e->folder.get(), e->name, e->st,
                            attributes);
}

bool LinuxFileSystem::DeleteFile(std::string_view path) {
  const auto parsed = ParseWinPath(path);
  if (!parsed) return false;
  const auto e = impl_->Lookup(*parsed);
  if (!e || e->IsDir()) return false;
  if (!e->IsLink() && (impl_->AttributesOf(parsed->letter, *e) & kAttrReadOnly) != 0) return false;
  return impl_->caseless.Remove(e->folder.get(), e->name,
                                [&] { return Impl::Unlink(e->folder.get(), e->name, 0); });
}

bool LinuxFileSystem::FileExists(std::string_view path) {
  const auto e = impl_->Lookup(path);
  return e && !e->IsDir();
}

bool LinuxFileSystem::FolderExists(std::string_view path) {
  const auto parsed = ParseWinPath(path);
  if (!parsed) return false;
  if (parsed->IsRoot()) return impl_->OpenFolder(*parsed, 0, O_PATH).valid();
  const auto e = impl_->Lookup(*parsed);
  return e && e->IsDir();
}

PathState LinuxFileSystem::Probe(std::string_view path) {
  const auto parsed = ParseWinPath(path);
  if (!parsed) return PathState::kUnknown;
  if (parsed->IsRoot()) {
    return impl_->OpenFolder(*parsed, 0, O_PATH).valid() ? PathState::kFolder : PathState::kUnknown;
  }
  const auto e = impl_->Lookup(*parsed);
  if (e) return e->IsDir() ? PathState::kFolder : PathState::kFile;
  return errno == ENOENT ? PathState::kMissing : PathState::kUnknown;
}

bool LinuxFileSystem::DeleteFolderForced(std::string_view path) {
  const auto parsed = ParseWinPath(path);
  if (!parsed || parsed->IsRoot()) return false;  // a drive root is never deleted
  const auto e = impl_->Lookup(*parsed);
  if (!e || !e->IsDir()) return false;
  impl_->cache.clear();
  impl_->caseless.Clear();
  UniqueFd dir = OpenBeneath(e->folder.get(), e->name, O_RDONLY | O_DIRECTORY);
  if (!dir.valid()) return false;
  const bool emptied = impl_->EmptyFolder(dir.get(), impl_->StoreOf(parsed->letter), 0);
  dir.reset();
  const bool removed = emptied && Impl::Unlink(e->folder.get(), e->name, AT_REMOVEDIR);
  impl_->caseless.Clear();
  return removed;
}

std::optional<std::vector<std::string>> LinuxFileSystem::SubFolders(std::string_view folder) {
  const auto parsed = ParseWinPath(folder);
  if (!parsed) return std::nullopt;
  UniqueFd dir = impl_->OpenFolder(*parsed, parsed->parts.size(), O_RDONLY);
  if (!dir.valid()) return std::nullopt;
  std::vector<std::string> names;
  DirReader reader(dir.get());
  std::string_view name;
  unsigned char type;
  while (reader.Next(name, type)) {
    if (type == DT_UNKNOWN) {
      struct stat info {};
      if (fstatat(dir.get(), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISDIR(info.st_mode)) type = DT_DIR;
    }
    if (type == DT_DIR) names.push_back(LinuxToWindowsName(name));
  }
  return names;
}

std::optional<std::vector<uint8_t>> LinuxFileSystem::ReadFile(std::string_view path,
                                                              std::size_t maxBytes) {
  const auto e = impl_->Lookup(path);
  if (!e || !S_ISREG(e->st.stx_mode)) return std::nullopt;
  UniqueFd fd = OpenBeneath(e->folder.get(), e->name, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (!fd.valid()) return std::nullopt;
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::vector<uint8_t> data;
  data.resize(std::min<uint64_t>(maxBytes, static_cast<uint64_t>(info.st_size)));
  size_t got = 0;
  while (got < maxBytes) {
    if (got == data.size())
      data.resize(std::min(maxBytes, std::max<size_t>(data.size() * 2, 4096)));
    const ssize_t n = read(fd.get(), data.data() + got, data.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  data.resize(got);
  return data;
}

bool LinuxFileSystem::CopyFile(std::string_view from, std::string_view to) {
  const auto source = ParseWinPath(from);
  if (!source) return false;
  const auto src = impl_->Lookup(*source);
  if (!src || !S_ISREG(src->st.stx_mode)) return false;
  const auto target = ParseWinPath(to);
  if (!target || target->IsRoot()) return false;
  const char letter = target->letter;

  UniqueFd folder = impl_->OpenFolder(*target, target->parts.size() - 1, O_PATH);
  if (!folder.valid()) return false;
  std::string name;
  if (const auto existing = impl_->Lookup(*target)) {
    if (existing->IsDir()) return false;
    if (!existing->IsLink() && (impl_->AttributesOf(letter, *existing) & kAttrReadOnly) != 0) {
      return false;
    }
    name = existing->name;
  } else {
    const auto mapped = WindowsToLinuxName(target->parts.back());
    if (!mapped) return false;
    name = *mapped;
  }

  UniqueFd in = OpenBeneath(src->folder.get(), src->name, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (!in.valid()) return false;
  // Write beside the target, then rename over it: the target (or a link in
  // its place) is replaced as a whole and never written through.
  static unsigned counter = 0;
  const std::string temp =
      ".veltrano-copy-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
  UniqueFd out(openat(folder.get(), temp.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!out.valid()) return false;
  bool ok = true;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = read(in.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n && ok;) {
      const ssize_t w = write(out.get(), buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0)
        ok = false;
      else
        done += w;
    }
    if (!ok) break;
  }
  ok = ok && fchmod(out.get(), src->st.stx_mode & 0777) == 0;
  ok = close(out.release()) == 0 && ok;
  const bool renamed = ok && renameat(folder.get(), temp.c_str(), folder.get(), name.c_str()) == 0;
  if (!renamed) unlinkat(folder.get(), temp.c_str(), 0);
  impl_->caseless.Clear();
  if (!renamed) return false;
  // Hidden and system travel with the copy, as they do on Windows.
  const uint32_t srcBits = impl_->AttributesOf(source->letter, *src);
  if ((srcBits & (kAttrHidden | kAttrSystem)) != 0) {
    struct statx st {};
    bool mountRoot = false;
    if (StatEntry(folder.get(), name, st, mountRoot)) {
      WriteDosAttributes(impl_->StoreOf(letter), folder.get(), name, st, srcBits);
    }
  }
  return true;
}

void LinuxFileSystem::ReleaseHandles() {
  impl_->cache.clear();
  for (Drive& d : impl_->drives) d.root.reset();
}

}  // namespace veltrano::fs
