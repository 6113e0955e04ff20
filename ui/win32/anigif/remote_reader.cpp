#include "ui/win32/anigif/remote_reader.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <winhttp.h>

namespace veltrano::win32 {

struct RemoteReader::Shared {
  struct Result {
    uint64_t serial = 0;
    bool ok = false;
    std::vector<uint8_t> data;
  };
  std::mutex mutex;
  std::deque<Result> done;
  HWND window = nullptr;  // null once the reader is gone
  UINT message = 0;
};

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsHttp(std::string_view path) {
  return StartsWithNoCase(path, "http://") || StartsWithNoCase(path, "https://");
}

// A local path, or the path of a file: URL; nothing for other schemes.
std::optional<std::string> LocalPath(std::string_view path) {
  if (StartsWithNoCase(path, "file:///")) return std::string(path.substr(8));
  if (StartsWithNoCase(path, "file://")) return "\\\\" + std::string(path.substr(7));
  // "x://..." with a scheme of two letters or more is some other protocol;
  // "C:\..." and "C:/..." are drive paths.
  const size_t colon = path.find(':');
  if (colon != std::string_view::npos && colon > 1 && path.substr(colon).starts_with("://")) {
    return std::nullopt;
  }
  return std::string(path);
}

bool ReadLocal(const std::string& path, std::vector<uint8_t>& data) {
  const std::wstring wide = Widen(path);
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) != FALSE && size.QuadPart <= kMaxReadBytes;
  if (ok) {
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t got = 0;
    while (ok && got < data.size()) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - got, 1 << 20));
      ok = ReadFile(file, data.data() + got, want, &n, nullptr) != FALSE && n > 0;
      got += n;
    }
  }
  CloseHandle(file);
  return ok;
}

bool ReadHttp(const std::string& url, std::vector<uint8_t>& data) {
  std::wstring wide = Widen(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts)) return false;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo != nullptr) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty()) object = L"/";

  bool ok = false;
  HINTERNET session = WinHttpOpen(L"Veltrano", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  if (session != nullptr) {
    WinHttpSetTimeouts(session, 10000, 10000, 30000, 30000);
    connection = WinHttpConnect(session, host.c_str(), parts.nPort, 0);
  }
  if (connection != nullptr) {
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    request = WinHttpOpenRequest(connection, L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                 WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
  }
  if (request != nullptr && WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                               WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
      WinHttpReceiveResponse(request, nullptr)) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                            WINHTTP_NO_HEADER_INDEX) &&
        status >= 200 && status < 300) {
      ok = true;
      for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) {
          ok = false;
          break;
        }
        if (available == 0) break;
        if (static_cast<int64_t>(data.size()) + available > kMaxReadBytes) {
          ok = false;
          break;
        }
        const size_t at = data.size();
        data.resize(at + available);
        DWORD got = 0;
        if (!WinHttpReadData(request, data.data() + at, available, &got)) {
          ok = false;
          break;
        }
        data.resize(at + got);
      }
    }
  }
  if (request != nullptr) WinHttpCloseHandle(request);
  if (connection != nullptr) WinHttpCloseHandle(connection);
  if (session != nullptr) WinHttpCloseHandle(session);
  return ok;
}

}  // namespace

RemoteReader::RemoteReader(intptr_t window, uint32_t doneMessage)
    : shared_(std::make_shared<Shared>()) {
  shared_->window = reinterpret_cast<HWND>(window);
  shared_->message = doneMessage;
}

RemoteReader::~RemoteReader() {
  // Workers still running finish on their own and find nobody to tell.
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->window = nullptr;
}

bool RemoteReader::Start(std::string_view path, std::string_view name, uint32_t options) {
  (void)options;  // WinHTTP keeps no cache to fall back on
  if (path.empty()) return false;
  const bool http = IsHttp(path);
  std::optional<std::string> local;
  if (!http) {
    local = LocalPath(path);
    if (!local || local->empty()) return false;
  }
  const uint64_t serial = nextSerial_++;
  running_.push_back(Running{serial, std::string(name)});
  std::thread([shared = shared_, serial, http, url = std::string(path),
               local = local.value_or(std::string())] {
    Shared::Result result;
    result.serial = serial;
    result.ok = http ? ReadHttp(url, result.data) : ReadLocal(local, result.data);
    if (!result.ok) result.data.clear();
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->window == nullptr) return;
    shared->done.push_back(std::move(result));
    PostMessageW(shared->window, shared->message, 0, 0);
  }).detach();
  return true;
}

void RemoteReader::Cancel(std::string_view name) {
  running_.remove_if([&](const Running& r) { return r.name == name; });
}

void RemoteReader::Deliver(const ProgressFn& progress, const CompleteFn& complete) {
  std::deque<Shared::Result> done;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    done.swap(shared_->done);
  }
  for (Shared::Result& result : done) {
    const auto it = std::find_if(running_.begin(), running_.end(),
                                 [&](const Running& r) { return r.serial == result.serial; });
    if (it == running_.end()) continue;  // cancelled
    const std::string name = it->name;
    running_.erase(it);
    if (result.ok) {
      complete(name, result.data, static_cast<int64_t>(result.data.size()));
    } else {
      progress(name, 0);
    }
  }
}

}  // namespace veltrano::win32
