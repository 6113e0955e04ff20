#include "platform/fs/linux_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

constexpr int kMaxDeleteDepth = 4096;

struct Drive {
  char letter = 'C';
  DriveType type = kDriveFixed;
  std::string hostPath;
  int mountId = -1;  // -1: a folder given by hand, no mount to check
  std::string fsType;
  UniqueFd root;  // O_PATH descriptor of the root, opened once and kept
  // What the root was when it was first opened. A root opened again later
  // (after ReleaseHandles, or after the mount table was read again) must be
  // the very same folder: another folder, or a link, put in its place is
  // refused.
  struct Identity {
    uint64_t dev = 0, ino = 0, mnt = 0;
    bool known = false;
    bool Same(const Identity& o) const { return dev == o.dev && ino == o.ino && mnt == o.mnt; }
  } identity;
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

constexpr Attributes kLinkAttributes = kAttrReparsePoint | kAttrArchive;

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
      // The same mount at the same place keeps its root and what it was.
      if (Drive* old = FindDrive(m.letter);
          old && old->hostPath == d.hostPath && old->mountId == d.mountId) {
        d.root = std::move(old->root);
        d.identity = old->identity;
        d.store = old->store;
      }
      fresh.push_back(std::move(d));
    }
    drives = std::move(fresh);
  }

  Drive* FindDrive(char letter) {
    for (Drive& d : drives) {
      if (d.letter == letter) return &d;
    }
    return nullptr;
  }

  // The root descriptor of a drive; -1 when the drive's folder or mount is
  // gone or is no longer the one first seen. The folder is opened through a
  // path that may hold no link at all, so a link put in place of the folder
  // or of any folder above it is never followed.
  int RootFd(Drive& d) {
    if (d.root.valid()) return d.root.get();
    UniqueFd fd = OpenWithoutLinks(d.hostPath, O_PATH | O_DIRECTORY);
    if (!fd.valid()) return -1;
    struct statx st {};
    if (statx(fd.get(), "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &st) != 0) return -1;
    Drive::Identity now;
    now.dev = (static_cast<uint64_t>(st.stx_dev_major) << 32) | st.stx_dev_minor;
    now.ino = st.stx_ino;
    now.mnt = (st.stx_mask & STATX_MNT_ID) != 0 ? st.stx_mnt_id : 0;
    now.known = true;
    if (d.mountId >= 0) {
      // The mount point no longer shows the mount the table named.
      if (now.mnt != 0 && now.mnt != static_cast<uint64_t>(d.mountId)) return -1;
      if ((st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
          (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) == 0) {
        return -1;  // a folder inside some mount, not the mount's root
      }
    }
    if (d.identity.known && !d.identity.Same(now)) return -1;
    if (!d.identity.known) {
      if (d.mountId < 0 || d.fsType == "fuseblk") d.store = StoreForFolder(fd.get());
      d.identity = now;
    }
    d.root = std::move(fd);
    return d.root.get();
  }

  CaselessNames caseless;

  // The entry this backend deleted last, with the folder the delete went
  // through, kept until the next operation: the test that follows a delete
  // asks that folder for the exact name instead of walking from the root
  // again. It only reads; nothing is ever changed through it.
  struct Deleted {
    WinPath path;
    UniqueFd folder;
    std::string name;
  };
  std::optional<Deleted> justDeleted;

  void NoteDeleted(const WinPath& path, Entry& e) {
    justDeleted = Deleted{path, std::move(e.folder), e.name};
  }

  // What is now at the entry just deleted, when `path` names it; nullopt for
  // any other path (and the note is dropped either way).
  std::optional<PathState> ProbeJustDeleted(const PathArg& path) {
    std::optional<Deleted> d = std::move(justDeleted);
    justDeleted.reset();
    if (!d || !path || d->path != *path) return std::nullopt;
    struct statx st {};
    bool mountRoot = false;
    if (!StatEntry(d->folder.get(), d->name, st, mountRoot)) {
      return errno == ENOENT ? PathState::kMissing : PathState::kUnknown;
    }
    if (mountRoot) return PathState::kUnknown;
    return S_ISDIR(st.stx_mode) ? PathState::kFolder : PathState::kFile;
  }

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
    justDeleted.reset();
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

    // Every lookup walks from the root: a folder renamed out of the drive, or
    // swapped for another, is never reached through a descriptor kept from
    // an earlier lookup.
    if (count == 0) return UniqueFd(openat(rootFd, ".", flags | O_CLOEXEC));

    // Fast way: every name maps exactly, one walk resolves them all.
    std::string relative;
    bool mapped = true;
    for (size_t i = 0; i < count && mapped; ++i) {
      const auto name = WindowsToLinuxName(path.parts[i]);
      if (!name) {
        mapped = false;
        break;
      }
      if (!relative.empty()) relative += '/';
      relative += *name;
    }
    if (mapped) {
      UniqueFd fd = OpenBeneath(rootFd, relative, flags);
      if (fd.valid() || errno != ENOENT) return fd;
    }
    // Some name differs in letter case: one folder at a time.
    UniqueFd current;
    int at = rootFd;
    for (size_t i = 0; i < count; ++i) {
      const auto name = MatchName(at, path.parts[i]);
      if (!name) return UniqueFd();
      current = OpenBeneath(at, *name, i + 1 == count ? flags : O_PATH | O_DIRECTORY);
      if (!current.valid()) return UniqueFd();
      at = current.get();
    }
    return current;
  }

  // Resolves the last name of a path (not a root) to an entry of its folder.
  // When there is none, errno is ENOENT only if the path names nothing (and
  // EXDEV for the root of another mount, ELOOP for a link on the way ...).
  // With `exactName` the last name is taken only as it maps, never matched
  // without regard to case, so no listing of the folder is made for it.
  std::optional<Entry> Lookup(const WinPath& path, bool exactName = false) {
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
      if ((name && errno != ENOENT) || exactName) {
        if (!name) errno = ENOENT;  // no Linux name maps to it: nothing is there
        return std::nullopt;
      }
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
    if (path.folderOnly && !e.IsDir()) {
      errno = ENOTDIR;  // "E:\x.exe\" names no file
      return std::nullopt;
    }
    e.name = *name;
    return e;
  }

  std::optional<Entry> Lookup(const PathArg& path) {
    if (!path) return std::nullopt;
    return Lookup(*path);
  }

  PathState Probe(const PathArg& path, bool exactName) {
    if (!path) return PathState::kUnknown;
    if (path->IsRoot()) {
      return OpenFolder(*path, 0, O_PATH).valid() ? PathState::kFolder : PathState::kUnknown;
    }
    const auto e = Lookup(*path, exactName);
    if (e) return e->IsDir() ? PathState::kFolder : PathState::kFile;
    return errno == ENOENT ? PathState::kMissing : PathState::kUnknown;
  }

  DosAttributeStore StoreOf(char letter) {
    Drive* d = FindDrive(letter);
    return d ? d->store : DosAttributeStore::kWineXattr;
  }

  Attributes AttributesOf(char letter, const Entry& e) {
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
        // A file with other hard links keeps its attributes: it stays.
        if (store == DosAttributeStore::kWineXattr || !StatEntry(dirFd, name, st, mountRoot) ||
            S_ISLNK(st.stx_mode) || st.stx_nlink > 1 ||
            !WriteDosAttributes(store, dirFd, name, st, kAttrNormal) || !Unlink(dirFd, name, 0)) {
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
                                              : kAttrNormal;
      return true;
    }
    struct statx st {};
    bool mountRoot = false;
    if (!StatEntry(dir_.get(), name, st, mountRoot)) return false;  // gone meanwhile
    if (mode_ == FindMode::kNamesOnly) {
      out.dwFileAttributes = S_ISDIR(st.stx_mode)   ? kAttrDirectory
                             : S_ISLNK(st.stx_mode) ? kAttrReparsePoint
                                                    : kAttrNormal;
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
  // Each folder is taken as it is now, through the links its given path may
  // hold; what a later swap puts in its place, a link included, is refused
  // (see RootFd).
  for (Drive& d : impl_->drives) {
    if (char* real = realpath(d.hostPath.c_str(), nullptr)) {
      d.hostPath = real;
      free(real);
    }
    impl_->RootFd(d);
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

DriveType LinuxFileSystem::GetDriveType(const PathArg& root) {
  if (!root || !root->parts.empty()) return kDriveNoRootDir;
  const Drive* d = impl_->FindDrive(root->letter);
  return d ? d->type : kDriveNoRootDir;
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

std::optional<Attributes> LinuxFileSystem::GetAttributes(const PathArg& path) {
  if (!path) return std::nullopt;
  if (path->IsRoot()) {
    if (!impl_->OpenFolder(*path, 0, O_PATH).valid()) return std::nullopt;
    return kAttrDirectory;
  }
  const auto e = impl_->Lookup(*path);
  if (!e) return std::nullopt;
  return impl_->AttributesOf(path->letter, *e);
}

bool LinuxFileSystem::SetAttributes(const PathArg& path, Attributes attributes) {
  if (!path || path->IsRoot()) return false;
  const auto e = impl_->Lookup(*path);
  if (!e) return false;
  if (e->IsLink()) return !attributes.HasAny(kAttrReadOnly | kAttrHidden | kAttrSystem);
  return WriteDosAttributes(impl_->StoreOf(path->letter), e->folder.get(), e->name, e->st,
                            attributes);
}

bool LinuxFileSystem::DeleteFile(const PathArg& path) {
  if (!path) return false;
  auto e = impl_->Lookup(*path);
  if (!e || e->IsDir()) return false;
  if (!e->IsLink() && impl_->AttributesOf(path->letter, *e).HasAny(kAttrReadOnly)) return false;
  if (!impl_->caseless.Remove(e->folder.get(), e->name,
                              [&] { return Impl::Unlink(e->folder.get(), e->name, 0); })) {
    return false;
  }
  impl_->NoteDeleted(*path, *e);
  return true;
}

bool LinuxFileSystem::DeleteFileForced(const PathArg& path) {
  if (!path) return false;
  auto e = impl_->Lookup(*path);
  if (!e || e->IsDir()) return false;
  if (!e->IsLink() && e->st.stx_nlink > 1) {
    // The inode lives on under its other names: its mode and attributes are
    // theirs too. Linux lets a name go whatever the file's own permissions;
    // where the file system refuses, the file stays as it is.
    if (!impl_->caseless.Remove(e->folder.get(), e->name,
                                [&] { return Impl::Unlink(e->folder.get(), e->name, 0); })) {
      return false;
    }
    impl_->NoteDeleted(*path, *e);
    return true;
  }
  // The attributes go with the file, so only a read-only bit stands in the
  // way: a file without one is deleted straight away, one lookup in all. A
  // read-only file, or one the delete did not take, gets its attributes set
  // to normal first, so that a file that stays is left as that leaves it.
  if (!impl_->AttributesOf(path->letter, *e).HasAny(kAttrReadOnly) &&
      impl_->caseless.Remove(e->folder.get(), e->name,
                             [&] { return Impl::Unlink(e->folder.get(), e->name, 0); })) {
    impl_->NoteDeleted(*path, *e);
    return true;
  }
  SetAttributes(path, kAttrNormal);  // a failure shows in the delete
  return DeleteFile(path);
}

bool LinuxFileSystem::FileExists(const PathArg& path) {
  const auto e = impl_->Lookup(path);
  return e && !e->IsDir();
}

bool LinuxFileSystem::FolderExists(const PathArg& path) {
  if (!path) return false;
  if (path->IsRoot()) return impl_->OpenFolder(*path, 0, O_PATH).valid();
  const auto e = impl_->Lookup(*path);
  return e && e->IsDir();
}

PathState LinuxFileSystem::Probe(const PathArg& path) {
  return impl_->Probe(path, false);
}

PathState LinuxFileSystem::ProbeEntry(const PathArg& path) {
  if (const auto now = impl_->ProbeJustDeleted(path)) return *now;
  return impl_->Probe(path, true);
}

bool LinuxFileSystem::DeleteFolderForced(const PathArg& path) {
  if (!path || path->IsRoot()) return false;  // a drive root is never deleted
  const auto e = impl_->Lookup(*path);
  if (!e || !e->IsDir()) return false;
  impl_->caseless.Clear();
  UniqueFd dir = OpenBeneath(e->folder.get(), e->name, O_RDONLY | O_DIRECTORY);
  if (!dir.valid()) return false;
  const bool emptied = impl_->EmptyFolder(dir.get(), impl_->StoreOf(path->letter), 0);
  dir.reset();
  const bool removed = emptied && Impl::Unlink(e->folder.get(), e->name, AT_REMOVEDIR);
  impl_->caseless.Clear();
  return removed;
}

std::optional<std::vector<std::string>> LinuxFileSystem::SubFolders(const PathArg& folder) {
  if (!folder) return std::nullopt;
  UniqueFd dir = impl_->OpenFolder(*folder, folder->parts.size(), O_RDONLY);
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

std::optional<std::vector<uint8_t>> LinuxFileSystem::ReadFile(const PathArg& path,
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

bool LinuxFileSystem::CopyFile(const PathArg& from, const PathArg& to) {
  if (!from) return false;
  const auto src = impl_->Lookup(*from);
  if (!src || !S_ISREG(src->st.stx_mode)) return false;
  if (!to || to->IsRoot() || to->folderOnly) return false;
  const char letter = to->letter;

  UniqueFd folder = impl_->OpenFolder(*to, to->parts.size() - 1, O_PATH);
  if (!folder.valid()) return false;
  std::string name;
  if (const auto existing = impl_->Lookup(*to)) {
    if (existing->IsDir()) return false;
    if (!existing->IsLink() && impl_->AttributesOf(letter, *existing).HasAny(kAttrReadOnly)) {
      return false;
    }
    name = existing->name;
  } else {
    const auto mapped = WindowsToLinuxName(to->parts.back());
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
  const Attributes srcBits = impl_->AttributesOf(from->letter, *src);
  if (srcBits.HasAny(kAttrHidden | kAttrSystem)) {
    struct statx st {};
    bool mountRoot = false;
    if (StatEntry(folder.get(), name, st, mountRoot)) {
      WriteDosAttributes(impl_->StoreOf(letter), folder.get(), name, st, srcBits);
    }
  }
  return true;
}

void LinuxFileSystem::ReleaseHandles() {
  // What each root was is kept: a root opened again must be the same folder.
  for (Drive& d : impl_->drives) d.root.reset();
  impl_->justDeleted.reset();
}

}  // namespace veltrano::fs
