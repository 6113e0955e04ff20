// The file-system seam: everything the commands do to drives, folders and
// files goes through this interface.
//
// Paths are Windows paths in UTF-8 ("E:\docs\a.exe"), parsed once into a
// WinPath (drive, names, folder-only; see win_path.h): every operation takes
// a PathArg, which is a WinPath the caller keeps or text parsed at the call,
// so no backend parses a path again. Names match without regard to letter
// case. Every operation reports failure through its result;
// nothing throws.
//
// A path never leaves its drive: ".." stops at the root ("E:\..\x" is
// "E:\x"), and a name holding a character Windows names cannot hold, a
// relative path or "\\server\share" names nothing. Links are never followed:
// a path through a link (or, on real disks, into another mount) names nothing,
// and a delete of a link removes the link itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/win_path.h"

namespace veltrano::fs {

// The DOS attributes of an entry: a set of the bits below.
class Attributes {
 public:
  constexpr Attributes() = default;
  // The set with exactly these bits, as the operating system stores them.
  static constexpr Attributes FromBits(uint32_t bits) { return Attributes(bits); }
  constexpr uint32_t Bits() const { return bits_; }

  // Every bit of `bits` is set.
  constexpr bool HasAll(Attributes bits) const { return (bits_ & bits.bits_) == bits.bits_; }
  // At least one bit of `bits` is set.
  constexpr bool HasAny(Attributes bits) const { return (bits_ & bits.bits_) != 0; }

  friend constexpr Attributes operator|(Attributes a, Attributes b) {
    return Attributes(a.bits_ | b.bits_);
  }
  friend constexpr Attributes operator&(Attributes a, Attributes b) {
    return Attributes(a.bits_ & b.bits_);
  }
  friend constexpr Attributes operator~(Attributes a) { return Attributes(~a.bits_); }
  constexpr Attributes& operator|=(Attributes b) { return *this = *this | b; }
  constexpr Attributes& operator&=(Attributes b) { return *this = *this & b; }
  friend constexpr bool operator==(Attributes a, Attributes b) = default;

 private:
  constexpr explicit Attributes(uint32_t bits) : bits_(bits) {}
  uint32_t bits_ = 0;
};

inline constexpr Attributes kAttrReadOnly = Attributes::FromBits(0x01);
inline constexpr Attributes kAttrHidden = Attributes::FromBits(0x02);
inline constexpr Attributes kAttrSystem = Attributes::FromBits(0x04);
inline constexpr Attributes kAttrDirectory = Attributes::FromBits(0x10);
inline constexpr Attributes kAttrArchive = Attributes::FromBits(0x20);
// Set on a link (a symbolic link on Linux). A link is never a folder: it has no
// directory bit, is never entered by a listing or a delete, and deleting it
// removes the link itself.
inline constexpr Attributes kAttrReparsePoint = Attributes::FromBits(0x400);
inline constexpr Attributes kAttrNormal{};  // no bit: the value written to clear all bits

// Attributes that were read (not nullopt) with every one, or at least one,
// of `bits` set.
constexpr bool HasAll(const std::optional<Attributes>& a, Attributes bits) {
  return a && a->HasAll(bits);
}
constexpr bool HasAny(const std::optional<Attributes>& a, Attributes bits) {
  return a && a->HasAny(bits);
}

// The kinds of drive, with the codes the operating system gives them.
enum class DriveType : uint32_t {
  kDriveUnknown = 0,    // type could not be determined
  kDriveNoRootDir = 1,  // no such drive
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};
using enum DriveType;

// What a lookup finds at a path.
enum class PathState {
  kFile,     // a file or a link
  kFolder,   // a folder or a drive root
  kMissing,  // nothing: the file system answered that there is no such entry
  kUnknown,  // the lookup failed otherwise and cannot tell (access denied, a
             // link or another mount in the way, a name too long, no medium)
};

// One entry of a directory listing: the record that find-first/find-next fill.
struct FindData {
  Attributes dwFileAttributes;
  int64_t ftCreationTime = 0;    // seconds since the Unix epoch
  int64_t ftLastAccessTime = 0;  // seconds since the Unix epoch
  int64_t ftLastWriteTime = 0;   // seconds since the Unix epoch
  uint64_t nFileSize = 0;
  std::string cFileName;  // the entry's name, UTF-8, without any path
};

// How much of each entry a listing fills.
enum class FindMode {
  // Every field of FindData.
  kFull,
  // Only cFileName and, in dwFileAttributes, the directory bit (and the link
  // bit where the listing tells it for free); every other field is 0. On real
  // disks this reads nothing per entry beyond the directory listing itself, so
  // a walk over a large tree costs about what `find` costs. Use it when only
  // names and the file/folder distinction matter (the junk search).
  kNamesOnly,
};

// An open directory listing. Destroying it closes it.
class FindSession {
 public:
  virtual ~FindSession() = default;
  // Fills `out` with the next entry; false when there is none (or on error).
  virtual bool FindNext(FindData& out) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Bit n set means drive letter n ('A' + n) exists.
  virtual uint32_t GetLogicalDrives() = 0;
  // Type of a drive root such as "E:\"; kDriveNoRootDir when there is no such drive.
  virtual DriveType GetDriveType(const PathArg& root) = 0;

  // Opens a listing of `pattern`, which is a folder path followed by "*.*" or "*"
  // ("E:\*.*", "E:\docs\*.*"), filling each entry as `mode` says. On success
  // fills `first` with the first entry and returns the session; returns
  // nullptr when the folder cannot be listed or is empty. The listing never
  // returns the "." and ".." entries.
  virtual std::unique_ptr<FindSession> FindFirst(std::string_view pattern, FindData& first,
                                                 FindMode mode) = 0;
  // The listing with every field filled.
  std::unique_ptr<FindSession> FindFirst(std::string_view pattern, FindData& first) {
    return FindFirst(pattern, first, FindMode::kFull);
  }

  // DOS attributes of a file or folder; nullopt when the path does not exist
  // or cannot be read.
  virtual std::optional<Attributes> GetAttributes(const PathArg& path) = 0;
  // Sets the read-only, hidden, system and archive bits of a file or folder to
  // exactly those in `attributes` (other bits are ignored). False on failure.
  virtual bool SetAttributes(const PathArg& path, Attributes attributes) = 0;

  // Deletes a file (or a link, never its target). Folders are not deleted. False on failure.
  virtual bool DeleteFile(const PathArg& path) = 0;
  // Removes a file whatever its attributes: what clearing them to normal and
  // deleting does, as the removal steps of the commands ask. A file that has
  // other hard links keeps the attributes it shares with them: it is deleted
  // without changing them where the file system allows that, and otherwise
  // left as it is (false). False on failure.
  virtual bool DeleteFileForced(const PathArg& path) = 0;
  // True only when a file (not a folder) exists at `path`.
  virtual bool FileExists(const PathArg& path) = 0;
  // True only when a folder exists at `path`.
  virtual bool FolderExists(const PathArg& path) = 0;
  // What is at `path`. Unlike the two tests above, which answer false when a
  // lookup fails, this tells "nothing there" apart from "cannot tell": a
  // deletion is done only when the delete worked or the path is kMissing.
  virtual PathState Probe(const PathArg& path) = 0;
  // Probe of the one entry whose name is the path's last name exactly, as a
  // listing gave it: the re-test after deleting a listed entry. Where the file
  // system tells names apart by letter case ("a.scr" and "A.SCR" are two
  // files), an entry that differs only in case is not this one and is not
  // looked for, so the test costs no listing of the folder. Where names never
  // differ only in case, it is Probe.
  virtual PathState ProbeEntry(const PathArg& path) = 0;
  // Deletes a folder and everything in it, read-only entries included. Never
  // follows a link: a link inside is removed itself. False when anything stayed.
  virtual bool DeleteFolderForced(const PathArg& path) = 0;
  // Names (no path) of the immediate sub-folders of a folder, in the platform's
  // order; nullopt when the folder cannot be listed.
  virtual std::optional<std::vector<std::string>> SubFolders(const PathArg& folder) = 0;

  // Whole content of a file, at most `maxBytes`; nullopt when it cannot be read.
  virtual std::optional<std::vector<uint8_t>> ReadFile(const PathArg& path,
                                                       std::size_t maxBytes) = 0;
  // Copies a file, replacing an existing target. False on failure.
  virtual bool CopyFile(const PathArg& from, const PathArg& to) = 0;

  // Lets go of any folder handles kept to speed up path lookups, so that a
  // removable drive can be unmounted. A command may call it when it ends; the
  // next operation works as before. A file system that keeps none does nothing.
  virtual void ReleaseHandles() = 0;
};

}  // namespace veltrano::fs
