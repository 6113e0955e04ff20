#include "platform/fs/win32_file_system.h"

#include "platform/fs/win32_windows.h"

#include <algorithm>
#include <climits>

#include "platform/fs/win32_native.h"
#include "platform/fs/win_path.h"
#include "platform/text/wide_text_win32.h"

namespace veltrano::fs {

using win32::IsFolder;
using win32::IsFolderLike;
using win32::IsFolderLink;
using win32::IsReparse;

class Win32FileSystem::Impl {
 public:
  struct Root {
    char letter;
    DriveType type;
    std::wstring native;  // "\\?\C:\tmp\usb", no trailing separator
  };

  explicit Impl(win32::NativeCalls* native)
      : calls(native != nullptr ? *native : win32::NativeCalls::System()) {}

  win32::NativeCalls& calls;
  bool directoryMode = false;
  std::vector<Root> roots;
  DWORD lastError = 0;
  // Set when the last Resolve stopped at a file or a link on the way, which
  // the system did not call missing.
  bool blocked = false;
  // Paths resolved so far, and the native path DeleteFile removed when the
  // count was `deletedAt`: until another path is resolved, nothing but the
  // deleted entry's own test follows the delete (see ProbeEntry).
  uint64_t resolved = 0;
  uint64_t deletedAt = 0;
  std::wstring deleted;

  const Root* RootOf(char letter) const {
    for (const Root& r : roots) {
      if (r.letter == letter) return &r;
    }
    return nullptr;
  }

  // The drive root without its trailing separator ("\\?\E:").
  std::optional<std::wstring> RootPath(char letter) const {
    if (!directoryMode) return std::wstring(L"\\\\?\\") + static_cast<wchar_t>(letter) + L":";
    const Root* r = RootOf(letter);
    if (r == nullptr) return std::nullopt;
    return r->native;
  }

  // The native path of `path`, with every folder between the drive root and
  // the entry checked to be a real folder (not a reparse point). nullopt when
  // the path names nothing; the root itself comes back with its separator.
  std::optional<std::wstring> Resolve(const WinPath& path) {
    lastError = 0;
    blocked = false;
    ++resolved;
    auto native = RootPath(path.letter);
    if (!native) return std::nullopt;
    if (path.IsRoot()) return *native + L"\\";
    for (size_t i = 0; i < path.parts.size(); ++i) {
      const auto name = text::Utf8ToWide(path.parts[i]);
      if (!name) return std::nullopt;
      *native += L'\\';
      *native += *name;
      if (i + 1 == path.parts.size()) {
        // "E:\x.exe\" names a folder (or a folder link) or nothing:
        // Windows finds no file there.
        if (path.folderOnly) {
          const DWORD a = calls.Attributes(*native);
          if (!IsFolderLike(a)) {
            lastError = a == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_INVALID_NAME;
            return std::nullopt;
          }
        }
        break;
      }
      const DWORD a = calls.Attributes(*native);
      if (!IsFolder(a)) {
        // Nothing there, a file in the way, or a link: the path names nothing.
        blocked = a != INVALID_FILE_ATTRIBUTES;
        lastError = blocked ? ERROR_PATH_NOT_FOUND : GetLastError();
        return std::nullopt;
      }
    }
    return native;
  }

  std::optional<std::wstring> Resolve(const PathArg& path) {
    lastError = 0;
    if (!path) return std::nullopt;
    return Resolve(*path);
  }

  // Resolves a path that must not be a drive root.
  std::optional<std::wstring> ResolveEntry(const PathArg& path) {
    lastError = 0;
    if (!path || path->IsRoot()) return std::nullopt;
    return Resolve(*path);
  }

  bool Fail() {
    lastError = GetLastError();
    return false;
  }
};

Win32FileSystem::Win32FileSystem(win32::NativeCalls* calls)
    : impl_(std::make_unique<Impl>(calls)) {}

Win32FileSystem::Win32FileSystem(std::vector<DriveSpec> drives, win32::NativeCalls* calls)
    : impl_(std::make_unique<Impl>(calls)) {
  impl_->directoryMode = true;
  for (const DriveSpec& d : drives) {
    const auto wide = text::Utf8ToWide(d.hostPath);
    if (!wide) continue;
    auto full = win32::FullFolderPath(*wide);
    if (!full || !IsFolder(impl_->calls.Attributes(*full))) continue;
    const char letter =
        (d.letter >= 'a' && d.letter <= 'z') ? static_cast<char>(d.letter - 'a' + 'A') : d.letter;
    if (letter < 'A' || letter > 'Z' || impl_->RootOf(letter) != nullptr) continue;
    impl_->roots.push_back({letter, d.type, std::move(*full)});
  }
  std::sort(impl_->roots.begin(), impl_->roots.end(),
            [](const Impl::Root& a, const Impl::Root& b) { return a.letter < b.letter; });
}

Win32FileSystem::~Win32FileSystem() = default;

uint32_t Win32FileSystem::LastError() const {
  return impl_->lastError;
}

std::string Win32FileSystem::ErrorText(uint32_t code) {
  return win32::ErrorText(code);
}

std::optional<std::string> Win32FileSystem::NativePath(std::string_view path) const {
  const auto parsed = ParseWinPath(path);
  if (!parsed) return std::nullopt;
  auto native = impl_->RootPath(parsed->letter);
  if (!native) return std::nullopt;
  if (parsed->IsRoot()) return text::WideToUtf8(*native + L"\\");
  for (const std::string& part : parsed->parts) {
    const auto name = text::Utf8ToWide(part);
    if (!name) return std::nullopt;
    *native += L'\\';
    *native += *name;
  }
  return text::WideToUtf8(*native);
}

uint32_t Win32FileSystem::GetLogicalDrives() {
  if (!impl_->directoryMode) return ::GetLogicalDrives();
  uint32_t mask = 0;
  for (const Impl::Root& r : impl_->roots) mask |= 1u << (r.letter - 'A');
  return mask;
}

DriveType Win32FileSystem::GetDriveType(const PathArg& root) {
  if (!root || !root->IsRoot()) return kDriveNoRootDir;
  if (impl_->directoryMode) {
    const Impl::Root* r = impl_->RootOf(root->letter);
    return r != nullptr ? r->type : kDriveNoRootDir;
  }
  const wchar_t name[] = {static_cast<wchar_t>(root->letter), L':', L'\\', L'\0'};
  const UINT code = ::GetDriveTypeW(name);
  return code <= static_cast<UINT>(kDriveRamDisk) ? static_cast<DriveType>(code) : kDriveUnknown;
}

std::unique_ptr<FindSession> Win32FileSystem::FindFirst(std::string_view pattern, FindData& first,
                                                        FindMode mode) {
  impl_->lastError = 0;
  const auto parsed = ParseWinPattern(pattern);
  if (!parsed) return nullptr;
  const auto folder = impl_->Resolve(parsed->folder);
  if (!folder) return nullptr;
  // A listing never enters a link: the folder itself must be a real folder.
  if (!parsed->folder.IsRoot() && !IsFolder(impl_->calls.Attributes(*folder))) {
    impl_->lastError = ERROR_PATH_NOT_FOUND;  // what listing a missing folder says
    return nullptr;
  }
  auto session =
      win32::OpenListing(impl_->calls, *folder, parsed->name, mode, first, impl_->lastError);
  return session;
}

std::optional<Attributes> Win32FileSystem::GetAttributes(const PathArg& path) {
  const auto native = impl_->Resolve(path);
  if (!native) return std::nullopt;
  const DWORD a = impl_->calls.Attributes(*native);
  if (a == INVALID_FILE_ATTRIBUTES) {
    impl_->Fail();
    return std::nullopt;
  }
  // A drive root is a folder, whatever bits the volume gives it.
  if (path->IsRoot()) {
    if (!IsFolder(a)) return std::nullopt;
    return kAttrDirectory;
  }
  return win32::CoreAttributes(a);
}

bool Win32FileSystem::SetAttributes(const PathArg& path, Attributes attributes) {
  const auto native = impl_->ResolveEntry(path);
  if (!native) return false;
  const DWORD a = impl_->calls.Attributes(*native);
  if (a == INVALID_FILE_ATTRIBUTES) return impl_->Fail();
  const DWORD bits =
      (attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive)).Bits();
  // Through a handle to the entry itself: a link's own attributes change,
  // never its target's, also when a link took the entry's place just now.
  if (!impl_->calls.SetEntryAttributes(*native, bits)) return impl_->Fail();
  return true;
}

bool Win32FileSystem::DeleteFileForced(const PathArg& path) {
  SetAttributes(path, kAttrNormal);  // a failure shows in the delete
  return DeleteFile(path);
}

bool Win32FileSystem::DeleteFile(const PathArg& path) {
  const auto native = impl_->ResolveEntry(path);
  if (!native) return false;
  const DWORD a = impl_->calls.Attributes(*native);
  if (a == INVALID_FILE_ATTRIBUTES) return impl_->Fail();
  if (IsFolder(a)) {
    impl_->lastError = ERROR_ACCESS_DENIED;  // what DeleteFileW says of a folder
    return false;
  }
  if (!win32::RemoveEntry(impl_->calls, *native, a)) return impl_->Fail();
  impl_->deleted = std::move(*native);
  impl_->deletedAt = impl_->resolved;
  return true;
}

bool Win32FileSystem::FileExists(const PathArg& path) {
  const auto native = impl_->ResolveEntry(path);
  if (!native) return false;
  const DWORD a = impl_->calls.Attributes(*native);
  return a != INVALID_FILE_ATTRIBUTES && !IsFolderLike(a);  // a folder link is no file
}

bool Win32FileSystem::FolderExists(const PathArg& path) {
  const auto native = impl_->Resolve(path);
  return native && IsFolderLike(impl_->calls.Attributes(*native));
}

PathState Win32FileSystem::Probe(const PathArg& path) {
  // Only the system's own "no such file" or "no such path" means nothing is
  // there; a file or a link on the way, an unknown drive, access denied or a
  // missing medium cannot tell.
  const auto missing = [](DWORD e) {
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
  };
  if (!path) return PathState::kUnknown;
  // A drive that has gone (a stick pulled out) answers "no such path" too.
  const auto onItsDrive = [&] {
    const auto root = impl_->RootPath(path->letter);
    return root && IsFolder(impl_->calls.Attributes(*root + L"\\")) ? PathState::kMissing : PathState::kUnknown;
  };
  const auto native = impl_->Resolve(*path);
  if (!native) {
    return !impl_->blocked && missing(impl_->lastError) ? onItsDrive() : PathState::kUnknown;
  }
  const DWORD a = impl_->calls.Attributes(*native);
  if (a == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    impl_->lastError = error;
    return !path->IsRoot() && missing(error) ? onItsDrive() : PathState::kUnknown;
  }
  // A folder link is a folder here, as it is to Windows; a file link a file.
  return IsFolderLike(a) ? PathState::kFolder : PathState::kFile;
}

PathState Win32FileSystem::ProbeEntry(const PathArg& path) {
  // Right after DeleteFile removed this very entry, the system's answer is
  // known: the name is gone, or, while another program still holds the file
  // open, the file is marked for deletion and any lookup fails. Asking would
  // cost Wine a listing of the whole folder, since it looks for a missing
  // name in every case.
  const bool afterDelete = impl_->resolved == impl_->deletedAt && !impl_->deleted.empty();
  const auto native = impl_->ResolveEntry(path);
  if (afterDelete && native && *native == impl_->deleted) {
    impl_->deleted.clear();
    return PathState::kMissing;
  }
  return Probe(path);
}

bool Win32FileSystem::DeleteFolderForced(const PathArg& path) {
  const auto native = impl_->ResolveEntry(path);  // a drive root is never deleted
  if (!native) return false;
  const DWORD a = impl_->calls.Attributes(*native);
  if (IsFolderLink(a)) {
    // The link goes, never what it points at, which is not entered.
    win32::ClearReadOnly(impl_->calls, *native, a);
    if (!impl_->calls.RemoveFolderEntry(*native)) return impl_->Fail();
    return true;
  }
  if (!IsFolder(a)) return false;
  return win32::DeleteTree(impl_->calls, *native, impl_->lastError);
}

std::optional<std::vector<std::string>> Win32FileSystem::SubFolders(const PathArg& folder) {
  const auto native = impl_->Resolve(folder);
  if (!native) return std::nullopt;
  if (!folder->IsRoot() && !IsFolder(impl_->calls.Attributes(*native))) {
    impl_->lastError = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  std::vector<std::string> names;
  const bool listed =
      win32::ForEachEntry(impl_->calls, *native, impl_->lastError, [&](const WIN32_FIND_DATAW& w) {
        if (IsFolder(w.dwFileAttributes)) names.push_back(text::WideToUtf8(w.cFileName));
        return true;
      });
  if (!listed) return std::nullopt;
  return names;
}

std::optional<std::vector<uint8_t>> Win32FileSystem::ReadFile(const PathArg& path,
                                                              std::size_t maxBytes) {
  const auto native = impl_->ResolveEntry(path);
  if (!native) return std::nullopt;
  // Only a file is read, never a folder or what a link points at (the read
  // opens the entry itself and checks again on its handle).
  const DWORD a = impl_->calls.Attributes(*native);
  if (a == INVALID_FILE_ATTRIBUTES) {
    impl_->Fail();
    return std::nullopt;
  }
  if ((a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    impl_->lastError = ERROR_ACCESS_DENIED;
    return std::nullopt;
  }
  return win32::ReadWholeFile(*native, maxBytes, impl_->lastError);
}

bool Win32FileSystem::CopyFile(const PathArg& from, const PathArg& to) {
  const auto source = impl_->ResolveEntry(from);
  if (!source) return false;
  const DWORD sa = impl_->calls.Attributes(*source);
  if (sa == INVALID_FILE_ATTRIBUTES) return impl_->Fail();
  if ((sa & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) return false;
  const auto target = impl_->ResolveEntry(to);
  if (!target) return false;
  const DWORD ta = impl_->calls.Attributes(*target);
  if (ta != INVALID_FILE_ATTRIBUTES) {
    if (IsFolderLike(ta) || (!IsReparse(ta) && (ta & FILE_ATTRIBUTE_READONLY) != 0)) {
      impl_->lastError = ERROR_ACCESS_DENIED;
      return false;
    }
    // A link in the target's place is replaced, never written through.
    if (IsReparse(ta) && !win32::RemoveEntry(impl_->calls, *target, ta)) return impl_->Fail();
  }
  if (!impl_->calls.CopyFileEntry(*source, *target)) return impl_->Fail();
  return true;
}

}  // namespace veltrano::fs
