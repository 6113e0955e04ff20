#include "platform/fs/linux_name_map.h"

#include <cstdint>

#include "platform/fs/win_path.h"
#include "platform/text/text.h"

namespace veltrano::fs {
namespace {

constexpr char32_t kMapBase = 0xF000;

bool IsMappedAscii(unsigned char c) {
  switch (c) {
    case '\\':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
      return true;
    default:
      return false;
  }
}

// U+F000..U+F0FF in UTF-8: EF 80 80 .. EF 83 BF.
void AppendMapped(std::string& out, unsigned char low) {
  const char32_t cp = kMapBase + low;
  out += static_cast<char>(0xE0 | (cp >> 12));
  out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out += static_cast<char>(0x80 | (cp & 0x3F));
}

// Appends the Windows spelling of linuxName[i..].
void AppendBody(std::string& out, std::string_view linuxName, size_t i) {
  while (i < linuxName.size()) {
    char32_t cp;
    const size_t len = text::DecodeUtf8(linuxName, i, cp);
    if (len == 0) {
      AppendMapped(out, static_cast<unsigned char>(linuxName[i]));
      ++i;
    } else if (len == 1) {
      if (IsMappedAscii(static_cast<unsigned char>(cp))) {
        AppendMapped(out, static_cast<unsigned char>(cp));
      } else {
        out += static_cast<char>(cp);
      }
      ++i;
    } else if (cp >= kMapBase && cp <= kMapBase + 0xFF) {
      for (size_t k = 0; k < len; ++k)
        AppendMapped(out, static_cast<unsigned char>(linuxName[i + k]));
      i += len;
    } else {
      out.append(linuxName.substr(i, len));
      i += len;
    }
  }
}

}  // namespace

std::string LinuxToWindowsName(std::string_view linuxName) {
  // Windows drops a final dot or blank from every path it is given, so a
  // name ending in one is shown with that character mapped.
  const bool mapLast = !linuxName.empty() && linuxName != "." && linuxName != ".." &&
                       (linuxName.back() == '.' || linuxName.back() == ' ');
  const std::string_view body = mapLast ? linuxName.substr(0, linuxName.size() - 1) : linuxName;

  // Most names are plain ASCII without any mapped character.
  size_t i = 0;
  while (i < body.size()) {
    const auto c = static_cast<unsigned char>(body[i]);
    if (c >= 0x80 || IsMappedAscii(c)) break;
    ++i;
  }
  std::string out(body.substr(0, i));
  if (i < body.size()) AppendBody(out, body, i);
  if (mapLast) AppendMapped(out, static_cast<unsigned char>(linuxName.back()));
  return out;
}

std::optional<std::string> WindowsToLinuxName(std::string_view windowsName) {
  std::string out;
  out.reserve(windowsName.size());
  bool mapped = false;
  for (size_t i = 0; i < windowsName.size();) {
    char32_t cp;
    const size_t len = text::DecodeUtf8(windowsName, i, cp);
    if (len == 0 || cp == 0 || cp == '/') return std::nullopt;
    if (len == 1 && IsMappedAscii(static_cast<unsigned char>(cp))) return std::nullopt;
    if (cp >= kMapBase && cp <= kMapBase + 0xFF) {
      out += static_cast<char>(cp - kMapBase);
      mapped = true;
    } else {
      out.append(windowsName.substr(i, len));
    }
    i += len;
  }
  if (out.empty() || out.find('\0') != std::string::npos || out.find('/') != std::string::npos) {
    return std::nullopt;
  }
  // Only a name that the forward mapping produces stands for a Linux name
  // ("a." never does: "a." on Linux is shown as "a" + U+F02E).
  const bool plainEnd = out.back() == '.' || out.back() == ' ';
  if ((mapped || plainEnd) && LinuxToWindowsName(out) != windowsName) return std::nullopt;
  return out;
}

}  // namespace veltrano::fs
