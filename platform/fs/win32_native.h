// Inside the Win32 backend: the calls on native UTF-16 paths ("\\?\E:\a")
// that win32_file_system.cpp builds its operations from. Includes
// <windows.h>; only the backend's own sources include this header.
#pragma once

#include "platform/fs/win32_windows.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/file_system.h"

namespace veltrano::fs::win32 {

// The calls that reach an entry by its path. The backend makes every such
// call through this seam, so that a test can present entries that Wine
// cannot make (junctions, symbolic links) and see which calls reach them.
// System() makes the calls themselves; each call leaves its reason in
// GetLastError when it fails.
class NativeCalls {
 public:
  virtual ~NativeCalls() = default;
  // The real calls.
  static NativeCalls& System();

  // GetFileAttributesW (a link's own attributes); INVALID_FILE_ATTRIBUTES
  // when nothing is there.
  virtual DWORD Attributes(const std::wstring& native);
  // Sets the attributes of the entry itself, a link included, never those of
  // what a link points at: the entry is opened with
  // FILE_FLAG_OPEN_REPARSE_POINT and changed through its handle.
  virtual bool SetEntryAttributes(const std::wstring& native, DWORD bits);
  // DeleteFileW: a file, or a file link itself.
  virtual bool DeleteFileEntry(const std::wstring& native);
  // RemoveDirectoryW: an empty folder, or a folder link itself.
  virtual bool RemoveFolderEntry(const std::wstring& native);
  // FindFirstFileExW over "folder\*" (basic information, large fetch), then
  // FindNextFileW and FindClose on the handle it gave.
  virtual HANDLE FindFirst(const std::wstring& folder, WIN32_FIND_DATAW& w);
  virtual bool FindNext(HANDLE h, WIN32_FIND_DATAW& w);
  virtual void FindClose(HANDLE h);
  // CopyFileW, replacing the target.
  virtual bool CopyFileEntry(const std::wstring& from, const std::wstring& to);
};

inline bool IsReparse(DWORD a) {
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
// A real folder: a directory that is not a reparse point.
inline bool IsFolder(DWORD a) {
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}
// A folder to every existence test, as Windows sees it: a real folder or a
// folder link (junction, directory symbolic link, mount point).
inline bool IsFolderLike(DWORD a) {
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
inline bool IsFolderLink(DWORD a) {
  return IsReparse(a) && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The bits the core sees: read-only, hidden, system, directory, archive and
// the link bit; a link never carries the directory bit.
Attributes CoreAttributes(DWORD a);

// Seconds since the Unix epoch of a FILETIME.
int64_t UnixSeconds(const FILETIME& ft);

// The absolute "\\?\" form of a folder path given by a user (relative,
// drive-absolute or UNC), without a trailing separator.
std::optional<std::wstring> FullFolderPath(const std::wstring& path);

// FormatMessageW's text for an error code, in UTF-8.
std::string ErrorText(DWORD code);

// Clears the read-only bit of an entry with attributes `a` that has it (the
// entry itself, a link included), so that it can go.
void ClearReadOnly(NativeCalls& calls, const std::wstring& native, DWORD a);

// Removes one non-folder entry with attributes `a`: a file, or a link of
// either kind (the link itself, never its target). GetLastError tells why
// it failed.
bool RemoveEntry(NativeCalls& calls, const std::wstring& native, DWORD a);

// Lists `folder` (FindFirstFileExW with FindExInfoBasic and a large fetch),
// calling `each` for every entry but "." and ".."; `each` returns false to
// stop. False when the folder could not be listed (an empty folder lists).
bool ForEachEntry(NativeCalls& calls, const std::wstring& folder, DWORD& lastError,
                  const std::function<bool(const WIN32_FIND_DATAW&)>& each);

// Opens a listing session of `folder` for entries matching `pattern` and
// fills `first`; nullptr when the folder cannot be listed or has no match.
std::unique_ptr<FindSession> OpenListing(NativeCalls& calls, const std::wstring& folder,
                                         const std::string& pattern, FindMode mode,
                                         FindData& first, DWORD& lastError);

// Deletes a real folder and everything in it, walking the tree without
// recursion; links inside are removed themselves. True when the folder is gone.
bool DeleteTree(NativeCalls& calls, const std::wstring& folder, DWORD& lastError);

// Reads at most `maxBytes` of a regular file (not a link, not a folder).
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::wstring& native, size_t maxBytes,
                                                  DWORD& lastError);

}  // namespace veltrano::fs::win32
