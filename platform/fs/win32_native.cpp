#include "platform/fs/win32_native.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/fs/win_path.h"
#include "platform/text/wide_text_win32.h"

namespace veltrano::fs::win32 {
namespace {

constexpr DWORD kCoreBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

void Fill(const WIN32_FIND_DATAW& w, FindMode mode, FindData& out) {
  out.cFileName = text::WideToUtf8(w.cFileName);
  if (mode == FindMode::kNamesOnly) {
    out.dwFileAttributes = IsReparse(w.dwFileAttributes)  ? kAttrReparsePoint
                           : IsFolder(w.dwFileAttributes) ? kAttrDirectory
                                                          : kAttrNormal;
    out.ftCreationTime = out.ftLastAccessTime = out.ftLastWriteTime = 0;
    out.nFileSize = 0;
    return;
  }
  out.dwFileAttributes = CoreAttributes(w.dwFileAttributes);
  out.ftCreationTime = UnixSeconds(w.ftCreationTime);
  out.ftLastAccessTime = UnixSeconds(w.ftLastAccessTime);
  out.ftLastWriteTime = UnixSeconds(w.ftLastWriteTime);
  out.nFileSize = (static_cast<uint64_t>(w.nFileSizeHigh) << 32) | w.nFileSizeLow;
}

class Win32FindSession : public FindSession {
 public:
  Win32FindSession(NativeCalls& calls, HANDLE handle, std::string pattern, FindMode mode)
      : calls_(calls),
        handle_(handle),
        pattern_(std::move(pattern)),
        matchAll_(pattern_ == "*" || pattern_ == "*.*"),
        mode_(mode) {}
  ~Win32FindSession() override { calls_.FindClose(handle_); }
  Win32FindSession(const Win32FindSession&) = delete;
  Win32FindSession& operator=(const Win32FindSession&) = delete;

  // Checks the entry already in `w` (from FindFirstFileExW or the last
  // FindNextFileW) and, when it does not qualify, reads on.
  bool Take(WIN32_FIND_DATAW& w, FindData& out) {
    for (;;) {
      if (!IsDotEntry(w.cFileName)) {
        // Matched here, by the same rule on every platform: Win32's own
        // matching would also match "*.pif" against short 8.3 names.
        if (matchAll_ || MatchesPattern(pattern_, text::WideToUtf8(w.cFileName))) {
          Fill(w, mode_, out);
          return true;
        }
      }
      if (!calls_.FindNext(handle_, w)) return false;
    }
  }

  bool FindNext(FindData& out) override {
    WIN32_FIND_DATAW w;
    if (!calls_.FindNext(handle_, w)) return false;
    return Take(w, out);
  }

 private:
  NativeCalls& calls_;
  HANDLE handle_;
  std::string pattern_;
  bool matchAll_;
  FindMode mode_;
};

}  // namespace

void ClearReadOnly(NativeCalls& calls, const std::wstring& native, DWORD a) {
  if ((a & FILE_ATTRIBUTE_READONLY) == 0) return;
  calls.SetEntryAttributes(
      native, a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
}

NativeCalls& NativeCalls::System() {
  static NativeCalls calls;
  return calls;
}

DWORD NativeCalls::Attributes(const std::wstring& native) {
  return ::GetFileAttributesW(native.c_str());
}

bool NativeCalls::SetEntryAttributes(const std::wstring& native, DWORD bits) {
  // SetFileAttributesW would open the entry without
  // FILE_FLAG_OPEN_REPARSE_POINT and so change what a link points at.
  HANDLE h = ::CreateFileW(
      native.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILE_BASIC_INFO info{};  // zero times: left as they are
  info.FileAttributes = bits != 0 ? bits : FILE_ATTRIBUTE_NORMAL;
  const BOOL ok = ::SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info);
  const DWORD error = ::GetLastError();
  ::CloseHandle(h);
  ::SetLastError(error);
  return ok != FALSE;
}

bool NativeCalls::DeleteFileEntry(const std::wstring& native) {
  return ::DeleteFileW(native.c_str()) != FALSE;
}

bool NativeCalls::RemoveFolderEntry(const std::wstring& native) {
  return ::RemoveDirectoryW(native.c_str()) != FALSE;
}

HANDLE NativeCalls::FindFirst(const std::wstring& folder, WIN32_FIND_DATAW& w) {
  std::wstring search = folder;
  if (search.empty() || search.back() != L'\\') search += L'\\';
  search += L'*';
  return ::FindFirstFileExW(search.c_str(), FindExInfoBasic, &w, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
}

bool NativeCalls::FindNext(HANDLE h, WIN32_FIND_DATAW& w) {
  return ::FindNextFileW(h, &w) != FALSE;
}

void NativeCalls::FindClose(HANDLE h) {
  ::FindClose(h);
}

bool NativeCalls::CopyFileEntry(const std::wstring& from, const std::wstring& to) {
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

Attributes CoreAttributes(DWORD a) {
  DWORD bits = a & kCoreBits;
  if ((bits & FILE_ATTRIBUTE_REPARSE_POINT) != 0) bits &= ~FILE_ATTRIBUTE_DIRECTORY;
  return Attributes::FromBits(bits);
}

int64_t UnixSeconds(const FILETIME& ft) {
  // FILETIME counts 100 ns steps since 1601-01-01.
  constexpr int64_t kEpochDifference = 11644473600LL;
  const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  if (ticks == 0) return 0;
  return static_cast<int64_t>(ticks / 10000000ULL) - kEpochDifference;
}

std::optional<std::wstring> FullFolderPath(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  std::wstring full;
  if (path.starts_with(L"\\\\?\\")) {
    full = path;
  } else {
    const DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return std::nullopt;
    std::wstring buffer(n, L'\0');
    const DWORD got = ::GetFullPathNameW(path.c_str(), n, buffer.data(), nullptr);
    if (got == 0 || got >= n) return std::nullopt;
    buffer.resize(got);
    if (buffer.starts_with(L"\\\\")) {
      full = L"\\\\?\\UNC\\" + buffer.substr(2);  // \\server\share\...
    } else {
      full = L"\\\\?\\" + buffer;
    }
  }
  while (full.size() > 7 && full.back() == L'\\') full.pop_back();
  return full;
}

std::string ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (n != 0 && buffer != nullptr) text = text::WideToUtf8(std::wstring_view(buffer, n));
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "error " + std::to_string(code);
  return text;
}

bool RemoveEntry(NativeCalls& calls, const std::wstring& native, DWORD a) {
  // A folder link (junction, directory symbolic link, mount point) goes with
  // RemoveDirectoryW, which removes the link and leaves its target alone.
  if (IsFolderLink(a)) return calls.RemoveFolderEntry(native);
  return calls.DeleteFileEntry(native);
}

bool ForEachEntry(NativeCalls& calls, const std::wstring& folder, DWORD& lastError,
                  const std::function<bool(const WIN32_FIND_DATAW&)>& each) {
  WIN32_FIND_DATAW w;
  HANDLE h = calls.FindFirst(folder, w);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return true;  // empty
    lastError = error;
    return false;
  }
  do {
    if (IsDotEntry(w.cFileName)) continue;
    if (!each(w)) break;
  } while (calls.FindNext(h, w));
  calls.FindClose(h);
  return true;
}

std::unique_ptr<FindSession> OpenListing(NativeCalls& calls, const std::wstring& folder,
                                         const std::string& pattern, FindMode mode,
                                         FindData& first, DWORD& lastError) {
  WIN32_FIND_DATAW w;
  HANDLE h = calls.FindFirst(folder, w);
  if (h == INVALID_HANDLE_VALUE) {
    lastError = ::GetLastError();
    return nullptr;
  }
  auto session = std::make_unique<Win32FindSession>(calls, h, pattern, mode);
  if (!session->Take(w, first)) return nullptr;
  return session;
}

bool DeleteTree(NativeCalls& calls, const std::wstring& folder, DWORD& lastError) {
  // Depth-first without recursion: a folder is listed once, its files and
  // links go at once, its sub-folders are pushed, and it is removed when the
  // walk comes back to it. A tree as deep as \\?\ paths allow cannot run the
  // stack out.
  struct Pending {
    std::wstring path;
    bool listed;
  };
  std::vector<Pending> stack;
  stack.push_back({folder, false});
  bool ok = true;
  auto failed = [&] {
    lastError = ::GetLastError();
    ok = false;
  };
  while (!stack.empty()) {
    if (stack.back().listed) {
      const std::wstring path = std::move(stack.back().path);
      stack.pop_back();
      if (!calls.RemoveFolderEntry(path)) failed();
      continue;
    }
    stack.back().listed = true;
    const std::wstring path = stack.back().path;
    const DWORD a = calls.Attributes(path);
    if (!IsFolder(a)) {
      // Swapped for a link (or gone) since its parent was listed: a link is
      // removed itself and never entered.
      if (a != INVALID_FILE_ATTRIBUTES && !RemoveEntry(calls, path, a)) failed();
      stack.pop_back();
      continue;
    }
    // Read-only on a folder keeps its entries from going under Wine (the
    // Unix write bit) and the folder itself on Windows.
    ClearReadOnly(calls, path, a);
    std::vector<std::wstring> folders;
    const bool listed = ForEachEntry(calls, path, lastError, [&](const WIN32_FIND_DATAW& w) {
      std::wstring child = path + L'\\' + w.cFileName;
      if (IsFolder(w.dwFileAttributes)) {
        folders.push_back(std::move(child));
        return true;
      }
      ClearReadOnly(calls, child, w.dwFileAttributes);
      if (!RemoveEntry(calls, child, w.dwFileAttributes)) failed();
      return true;
    });
    if (!listed) ok = false;
    for (auto& f : folders) stack.push_back({std::move(f), false});
  }
  if (calls.Attributes(folder) != INVALID_FILE_ATTRIBUTES) {
    ok = false;
  }
  return ok;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::wstring& native, size_t maxBytes,
                                                  DWORD& lastError) {
  HANDLE h = ::CreateFileW(
      native.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    lastError = ::GetLastError();
    return std::nullopt;
  }
  std::optional<std::vector<uint8_t>> result;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(h, &info)) {
    lastError = ::GetLastError();
  } else if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
             0) {
    lastError = ERROR_ACCESS_DENIED;  // a folder or a link: not a file to read
  } else {
    const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    std::vector<uint8_t> data(static_cast<size_t>(std::min<uint64_t>(size, maxBytes)));
    size_t got = 0;
    bool ok = true;
    while (got < maxBytes) {
      if (got == data.size())
        data.resize(std::min<size_t>(maxBytes, std::max<size_t>(got * 2, 4096)));
      const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - got, 1u << 30));
      DWORD n = 0;
      if (!::ReadFile(h, data.data() + got, want, &n, nullptr)) {
        lastError = ::GetLastError();
        ok = false;
        break;
      }
      if (n == 0) break;
      got += n;
    }
    if (ok) {
      data.resize(got);
      result = std::move(data);
    }
  }
  ::CloseHandle(h);
  return result;
}

}  // namespace veltrano::fs::win32
