#include "platform/fs/linux_mount_table.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/fs/file_system.h"

namespace veltrano::fs {
namespace {

namespace stdfs = std::filesystem;

constexpr std::array<std::string_view, 14> kNetworkTypes = {
    "nfs", "nfs4", "cifs",      "smb3",       "smbfs",       "ncpfs",     "ceph",
    "afs", "9p",   "glusterfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "davfs"};

// File systems that keep their data on a block device even though their
// mountinfo entry shows an anonymous 0:N device number.
constexpr std::array<std::string_view, 5> kAnonymousDiskTypes = {"btrfs", "zfs", "bcachefs",
                                                                 "fuseblk", "xfs"};

bool Contains(auto const& list, std::string_view value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool IsAtOrBelow(std::string_view path, std::string_view top) {
  if (path == top) return true;
  return path.size() > top.size() && path.substr(0, top.size()) == top && path[top.size()] == '/';
}

bool IsBelow(std::string_view path, std::string_view top) {
  return path != top && IsAtOrBelow(path, top);
}

// The system's own mounts, which Windows would not show as drives either.
bool IsSystemMount(std::string_view mountPoint) {
  for (std::string_view top : {"/boot", "/efi", "/proc", "/sys", "/dev"}) {
    if (IsAtOrBelow(mountPoint, top)) return true;
  }
  for (std::string_view top : {"/usr", "/var", "/snap"}) {
    if (IsAtOrBelow(mountPoint, top)) return true;
  }
  if (IsAtOrBelow(mountPoint, "/run") && !IsBelow(mountPoint, "/run/media")) return true;
  return false;
}

// A bind mount of a single file (a container's /etc/hosts, /etc/resolv.conf)
// has a mount point that is not a folder: it can never be a drive root. A
// mount point that cannot be looked at is left to the later check of the
// drive's root.
bool IsFileMount(const std::string& mountPoint) {
  std::error_code ec;
  const stdfs::file_status status = stdfs::status(mountPoint, ec);
  if (ec || status.type() == stdfs::file_type::not_found) return false;
  return status.type() != stdfs::file_type::directory;
}

bool IsNetwork(const MountInfoEntry& m) {
  return Contains(kNetworkTypes, m.fsType);
}

bool IsRealDisk(const MountInfoEntry& m) {
  if (m.major != 0) return true;
  if (m.fsType == "zfs") return true;
  return Contains(kAnonymousDiskTypes, m.fsType) && m.source.rfind("/dev/", 0) == 0;
}

std::string ReadSmallFile(const stdfs::path& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

bool ParseDevNumber(std::string_view text, unsigned& major, unsigned& minor) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  unsigned a = 0, b = 0;
  for (char c : text.substr(0, colon)) {
    if (c < '0' || c > '9') return false;
    a = a * 10 + static_cast<unsigned>(c - '0');
  }
  const std::string_view rest = text.substr(colon + 1);
  if (rest.empty()) return false;
  for (char c : rest) {
    if (c < '0' || c > '9') return false;
    b = b * 10 + static_cast<unsigned>(c - '0');
  }
  major = a, minor = b;
  return true;
}

// The block device a source such as /dev/sda2 or /dev/mapper/name stands for.
bool SourceDevice(const std::string& sysfsRoot, const std::string& source, unsigned& major,
                  unsigned& minor) {
  if (source.rfind("/dev/", 0) != 0) return false;
  std::error_code ec;
  const stdfs::path classBlock = stdfs::path(sysfsRoot) / "class" / "block";
  std::string name = stdfs::path(source).filename().string();
  if (source.rfind("/dev/mapper/", 0) == 0) {
    for (const auto& e : stdfs::directory_iterator(classBlock, ec)) {
      if (ReadSmallFile(e.path() / "dm" / "name") == name) {
        name = e.path().filename().string();
        break;
      }
    }
  } else if (!stdfs::exists(classBlock / name, ec)) {
    // /dev/disk/by-uuid/... and similar links: only the real /dev resolves them.
    const stdfs::path real = stdfs::canonical(source, ec);
    if (ec) return false;
    name = real.filename().string();
  }
  return ParseDevNumber(ReadSmallFile(classBlock / name / "dev"), major, minor);
}

DriveType DiskType(const stdfs::path& device, int depth) {
  std::error_code ec;
  stdfs::path disk = device;
  if (stdfs::exists(device / "partition", ec)) disk = device.parent_path();
  const std::string name = disk.filename().string();
  if (name.rfind("sr", 0) == 0) return kDriveCdRom;
  if (ReadSmallFile(disk / "removable") == "1") return kDriveRemovable;
  for (const auto& part : disk) {
    const std::string p = part.string();
    if (p.rfind("usb", 0) == 0 &&
        std::all_of(p.begin() + 3, p.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return kDriveRemovable;
    }
  }
  // A mapped device (an encrypted stick, LVM) takes the type of what lies under it.
  if (depth < 4) {
    for (const auto& e : stdfs::directory_iterator(disk / "slaves", ec)) {
      const stdfs::path under = stdfs::canonical(e.path(), ec);
      if (!ec) return DiskType(under, depth + 1);
    }
  }
  return kDriveFixed;
}

}  // namespace

std::string UnescapeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::vector<MountInfoEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountInfoEntry> entries;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    std::string f;
    while (in >> f) fields.push_back(f);
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
        fields.end() - dash < 3) {
      continue;
    }
    MountInfoEntry e;
    try {
      e.mountId = std::stoi(fields[0]);
      e.parentId = std::stoi(fields[1]);
    } catch (...) {
      continue;
    }
    if (!ParseDevNumber(fields[2], e.major, e.minor)) continue;
    e.root = UnescapeMountField(fields[3]);
    e.mountPoint = UnescapeMountField(fields[4]);
    e.fsType = dash[1];
    e.source = UnescapeMountField(dash[2]);
    entries.push_back(std::move(e));
  }
  return entries;
}

DriveType BlockDeviceDriveType(const std::string& sysfsRoot, unsigned major, unsigned minor) {
  std::error_code ec;
  const stdfs::path link = stdfs::path(sysfsRoot) / "dev" / "block" /
                           (std::to_string(major) + ":" + std::to_string(minor));
  const stdfs::path device = stdfs::canonical(link, ec);
  if (ec) return kDriveFixed;
  return DiskType(device, 0);
}

std::vector<MountDrive> AssignDriveLetters(const std::vector<MountInfoEntry>& mounts,
                                           const std::string& sysfsRoot) {
  // A mount point mounted over again shows only the last mount made there.
  std::vector<const MountInfoEntry*> visible;
  for (const MountInfoEntry& m : mounts) {
    std::erase_if(visible, [&](const MountInfoEntry* v) { return v->mountPoint == m.mountPoint; });
    visible.push_back(&m);
  }
  const MountInfoEntry* rootMount = nullptr;
  std::vector<const MountInfoEntry*> others;
  for (const MountInfoEntry* m : visible) {
    if (m->mountPoint == "/") {
      rootMount = m;
    } else if (!IsSystemMount(m->mountPoint) && (IsNetwork(*m) || IsRealDisk(*m)) &&
               !IsFileMount(m->mountPoint)) {
      others.push_back(m);
    }
  }
  std::sort(others.begin(), others.end(), [](const MountInfoEntry* a, const MountInfoEntry* b) {
    return a->mountPoint < b->mountPoint;
  });

  struct Shown {
    std::string device;
    std::string root;
  };
  std::vector<Shown> shown;
  auto deviceKey = [](const MountInfoEntry& m) {
    if (m.major != 0) return "dev:" + std::to_string(m.major) + ":" + std::to_string(m.minor);
    return "src:" + m.source;
  };

  std::vector<MountDrive> drives;
  if (rootMount) {
    drives.push_back(MountDrive{'C', kDriveFixed, "/", rootMount->mountId, rootMount->fsType,
                                rootMount->source});
    shown.push_back({deviceKey(*rootMount), rootMount->root});
  }
  char next = 'D';
  for (const MountInfoEntry* m : others) {
    if (next > 'Z') break;
    const std::string key = deviceKey(*m);
    const bool repeat = std::any_of(shown.begin(), shown.end(), [&](const Shown& s) {
      return s.device == key && (s.root == "/" || IsAtOrBelow(m->root, s.root));
    });
    if (repeat) continue;
    DriveType type = kDriveFixed;
    if (IsNetwork(*m)) {
      type = kDriveRemote;
    } else {
      unsigned major = m->major, minor = m->minor;
      if (major != 0 || SourceDevice(sysfsRoot, m->source, major, minor)) {
        type = BlockDeviceDriveType(sysfsRoot, major, minor);
      }
      if (type == kDriveFixed && (m->fsType == "iso9660" || m->fsType == "udf")) type = kDriveCdRom;
    }
    drives.push_back(MountDrive{next++, type, m->mountPoint, m->mountId, m->fsType, m->source});
    shown.push_back({key, m->root});
  }
  return drives;
}

}  // namespace veltrano::fs
