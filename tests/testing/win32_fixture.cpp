#include "tests/testing/win32_fixture.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/text/wide_text_win32.h"

namespace veltrano::fs::testing {

std::wstring Native(const std::string& path) {
  const auto wide = text::Utf8ToWide(path);
  if (!wide) {
    ADD_FAILURE() << "not UTF-8: " << path;
    return L"";
  }
  return L"\\\\?\\" + *wide;
}

DriveFolder::DriveFolder(char letter) {
  static std::atomic<int> counter{0};
  path_ = std::string(1, letter) + ":\\veltrano-" + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  RemoveTree(Native(path_));
  MakeFolder(path_);
}

DriveFolder::~DriveFolder() {
  RemoveTree(Native(path_));
}

void MakeFolder(const std::string& path, DWORD attributes) {
  // Parents first: every prefix after "X:\".
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\') continue;
    const std::wstring native = Native(path.substr(0, i));
    if (!::CreateDirectoryW(native.c_str(), nullptr)) {
      ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << path.substr(0, i);
    }
  }
  if (attributes != 0) {
    ASSERT_TRUE(::SetFileAttributesW(Native(path).c_str(), attributes)) << path;
  }
}

void MakeFile(const std::string& path, const std::string& content, DWORD attributes) {
  const size_t cut = path.rfind('\\');
  if (cut != std::string::npos && cut > 2) MakeFolder(path.substr(0, cut));
  const std::wstring native = Native(path);
  HANDLE h = ::CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << " error " << ::GetLastError();
  DWORD written = 0;
  const BOOL ok = content.empty() || ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()),
                                                 &written, nullptr);
  ::CloseHandle(h);
  ASSERT_TRUE(ok) << path;
  if (attributes != 0) {
    ASSERT_TRUE(::SetFileAttributesW(native.c_str(), attributes)) << path;
  }
}

DWORD RawAttributes(const std::string& path) {
  return ::GetFileAttributesW(Native(path).c_str());
}

std::string Content(const std::string& path) {
  HANDLE h = ::CreateFileW(Native(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  ::CloseHandle(h);
  return out;
}

void RemoveTree(const std::wstring& native) {
  const DWORD a = ::GetFileAttributesW(native.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if ((a & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(native.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  }
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::DeleteFileW(native.c_str());
    return;
  }
  WIN32_FIND_DATAW w;
  HANDLE h = ::FindFirstFileW((native + L"\\*").c_str(), &w);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = w.cFileName;
      if (name != L"." && name != L"..") RemoveTree(native + L"\\" + name);
    } while (::FindNextFileW(h, &w));
    ::FindClose(h);
  }
  ::RemoveDirectoryW(native.c_str());
}

}  // namespace veltrano::fs::testing
