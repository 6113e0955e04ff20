#include "sweep/ini_reader.h"

#include <cstdint>

#include "platform/fs/file_system.h"
#include "platform/text/text.h"
#include "sweep/scan_drives.h"

namespace veltrano::sweep {
namespace {

bool IsTrimmed(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The value as the reader hands it out: up to a NUL, without matching
// quotes, at most kIniValueMaxChars characters.
std::string FinishValue(std::string_view value) {
  value = value.substr(0, value.find('\0'));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  size_t chars = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    // Count lead bytes only, so that a character is never cut in two.
    if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 && ++chars > kIniValueMaxChars) {
      value = value.substr(0, i);
      break;
    }
  }
  return std::string(value);
}

}  // namespace

std::string DecodeIniBytes(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return text::Utf16ToUtf8(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return text::Utf16ToUtf8(bytes.substr(2), true);
  if (bytes.starts_with("\xEF\xBB\xBF")) return text::SanitizeUtf8(bytes.substr(3));
  if (text::IsValidUtf8(bytes)) return std::string(bytes);
  return text::GbkToUtf8(bytes);
}

std::string FindIniValue(std::string_view text, std::string_view section, std::string_view key) {
  bool inSection = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = text.find_first_not_of("\r\n", end);
    if (pos == std::string_view::npos) pos = text.size();

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        // Only the first section of the name counts: its end ends the search.
        if (inSection) return {};
        inSection = SameName(Trim(line.substr(1, close - 1)), section);
        continue;
      }
    }
    if (!inSection) continue;
    const size_t eq = line.find('=');
    if (!SameName(Trim(line.substr(0, eq)), key)) continue;
    if (eq == std::string_view::npos) return {};
    return FinishValue(Trim(line.substr(eq + 1)));
  }
  return {};
}

std::string ReadIniText(fs::FileSystem& fileSystem, std::string_view path) {
  const auto bytes = fileSystem.ReadFile(path, kIniMaxBytes);
  if (!bytes || bytes->empty()) return {};
  return DecodeIniBytes({reinterpret_cast<const char*>(bytes->data()), bytes->size()});
}

std::string GetFromINI(fs::FileSystem& fileSystem, std::string_view AppName,
                       std::string_view KeyName, std::string_view FileName) {
  return FindIniValue(ReadIniText(fileSystem, FileName), AppName, KeyName);
}

}  // namespace veltrano::sweep
