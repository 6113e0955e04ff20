#include "tools/console_stream_win32.h"

#include "platform/fs/win32_windows.h"

#include <algorithm>
#include <string_view>

namespace veltrano::cli {
namespace {

// The number of bytes at the end of `bytes` that start a UTF-8 character
// whose remaining bytes have not come yet.
size_t IncompleteTail(std::string_view bytes) {
  const size_t n = bytes.size();
  for (size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto c = static_cast<unsigned char>(bytes[n - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back && c < 0xF8 ? back : 0;
  }
  return 0;
}

bool WriteWide(HANDLE console, std::wstring_view text) {
  // Older consoles refuse very long single writes.
  constexpr size_t kChunk = 8192;
  while (!text.empty()) {
    size_t take = std::min(text.size(), kChunk);
    // Keep a surrogate pair together.
    if (take < text.size() && text[take - 1] >= 0xD800 && text[take - 1] <= 0xDBFF) --take;
    DWORD written = 0;
    if (!::WriteConsoleW(console, text.data(), static_cast<DWORD>(take), &written, nullptr) ||
        written == 0) {
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

}  // namespace

ConsoleStreamBuf::ConsoleStreamBuf(void* console) : console_(console) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

ConsoleStreamBuf::~ConsoleStreamBuf() {
  sync();
}

ConsoleStreamBuf::int_type ConsoleStreamBuf::overflow(int_type ch) {
  if (!WriteOut()) return traits_type::eof();
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

int ConsoleStreamBuf::sync() {
  return WriteOut() ? 0 : -1;
}

bool ConsoleStreamBuf::WriteOut() {
  pending_.append(pbase(), pptr());
  setp(buffer_, buffer_ + sizeof buffer_);
  const size_t ready = pending_.size() - IncompleteTail(pending_);
  if (ready == 0) return true;
  // Without MB_ERR_INVALID_CHARS a stray byte becomes U+FFFD.
  const int chars =
      ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(ready), nullptr, 0);
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  if (chars > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(ready), wide.data(), chars);
  }
  pending_.erase(0, ready);
  return WriteWide(static_cast<HANDLE>(console_), wide);
}

bool IsConsole(void* handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         ::GetConsoleMode(static_cast<HANDLE>(handle), &mode) != FALSE;
}

bool RouteToConsole(std::ostream& stream, void* handle) {
  if (!IsConsole(handle)) return false;
  stream.flush();
  // Never freed: the standard streams are flushed after static objects die.
  stream.rdbuf(new ConsoleStreamBuf(handle));
  return true;
}

}  // namespace veltrano::cli
