// A file system held in memory: drives, folders and files with DOS
// attributes, contents and times, and switches that make operations fail the
// way real disks do. Every command test runs on it.
//
// Listings return entries in the order they were created, so a test decides
// the order of enumeration. Names match without regard to letter case and keep
// the case they were created with.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/file_system.h"

namespace veltrano::fs {

class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();
  ~MemoryFileSystem() override;
  MemoryFileSystem(const MemoryFileSystem&) = delete;
  MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

  // --- fixture -------------------------------------------------------------
  // Adds (or replaces) drive `letter` ('A'..'Z', either case) with an empty root.
  bool AddDrive(char letter, DriveType type, bool mediumPresent = true);
  // Takes the medium out or puts it back: without it the drive keeps its
  // letter and type, but nothing on it can be listed, read or changed.
  bool SetMediumPresent(char letter, bool present);
  // A write-protected medium: attribute changes, deletes and copies onto it fail.
  bool SetWriteProtected(char letter, bool on);

  // Adds a folder (and any missing parent folders, with no attributes).
  // Returns false when a file is in the way or the path is not on a drive.
  bool AddFolder(std::string_view path, Attributes attributes = kAttrNormal);
  // Adds a file, or replaces the content and attributes of an existing one.
  // Missing parent folders are created. False when a folder is in the way.
  bool AddFile(std::string_view path, std::string_view content = {},
               Attributes attributes = kAttrArchive);
  // Adds a link entry: it lists with kAttrReparsePoint, is never entered, and
  // deleting it removes only the link. `target` is kept for inspection only.
  bool AddLink(std::string_view path, std::string_view target);
  // Sets the creation, last-access and last-write times (seconds since 1970).
  bool SetTimes(std::string_view path, int64_t creation, int64_t access, int64_t write);

  // --- failure injection --------------------------------------------------------
  // The file is in use: deleting it (or a folder holding it) fails.
  bool SetInUse(std::string_view path, bool on);
  // The folder cannot be listed (FindFirst and SubFolders fail); the folder
  // itself still exists and its entries can still be reached by path.
  bool SetListingDenied(std::string_view path, bool on);
  // Access to the entry is denied: it still shows in listings and its
  // attributes and existence can be read, but it cannot be changed, deleted,
  // read, copied or (for a folder) listed.
  bool SetAccessDenied(std::string_view path, bool on);

  // The entry cannot be reached by its path: it still shows in its folder's
  // listing, but every operation on the path fails, the existence tests answer
  // false and Probe answers kUnknown (as for a name another mount stands on,
  // or one too long to be looked up).
  bool SetUnreachable(std::string_view path, bool on);

  // --- inspection ------------------------------------------------------------
  // True when a file, folder or link exists at the path (medium or not).
  bool Exists(std::string_view path) const;
  // Content of a file, ignoring every failure switch.
  std::optional<std::string> Content(std::string_view path) const;
  // Names in a folder in listing order, ignoring every failure switch.
  std::vector<std::string> Names(std::string_view folder) const;
  // Listings opened and not yet closed.
  int OpenFindSessions() const;

  // --- FileSystem --------------------------------------------------------------
  uint32_t GetLogicalDrives() override;
  DriveType GetDriveType(const PathArg& root) override;
  using FileSystem::FindFirst;
  std::unique_ptr<FindSession> FindFirst(std::string_view pattern, FindData& first,
                                         FindMode mode) override;
  std::optional<Attributes> GetAttributes(const PathArg& path) override;
  bool SetAttributes(const PathArg& path, Attributes attributes) override;
  bool DeleteFile(const PathArg& path) override;
  bool DeleteFileForced(const PathArg& path) override;
  bool FileExists(const PathArg& path) override;
  bool FolderExists(const PathArg& path) override;
  PathState Probe(const PathArg& path) override;
  PathState ProbeEntry(const PathArg& path) override;
  bool DeleteFolderForced(const PathArg& path) override;
  std::optional<std::vector<std::string>> SubFolders(const PathArg& folder) override;
  std::optional<std::vector<uint8_t>> ReadFile(const PathArg& path, std::size_t maxBytes) override;
  bool CopyFile(const PathArg& from, const PathArg& to) override;
  void ReleaseHandles() override {}

 private:
  struct Node;
  struct Drive;
  struct Located;

  Drive* FindDrive(char letter) const;
  // The node at `path` and its drive; nullptr node when missing or when a
  // file or link stands where a folder should be.
  Located Locate(const PathArg& path) const;
  // Like Locate, but only on a drive whose medium is present.
  Located LocateLive(const PathArg& path) const;
  Node* MakeFolders(Drive& drive, const std::vector<std::string>& parts, size_t count);
  bool SetFlag(std::string_view path, bool Node::*flag, bool on);
  static bool RemoveTree(Node& folder);

  std::vector<std::unique_ptr<Drive>> drives_;
  std::shared_ptr<int> openSessions_;
};

}  // namespace veltrano::fs
