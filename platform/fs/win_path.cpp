#include "platform/fs/win_path.h"

#include <cstdint>

#include "platform/fs/name_case.h"

namespace veltrano::fs {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Splits `rest` (what follows "X:") into names, applying '.', '..' and
// doubled separators and, when `trimLast`, dropping the trailing dots and
// blanks of a last name that no separator follows. Fails on a reserved
// character or bad UTF-8.
bool SplitNames(std::string_view rest, std::vector<std::string>& parts, bool trimLast) {
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSeparator(rest[i])) ++i;
    size_t j = i;
    while (j < rest.size() && !IsSeparator(rest[j])) ++j;
    std::string_view name = rest.substr(i, j - i);
    i = j;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (trimLast && j == rest.size()) {
      // What is left never ends in a dot, so it is never "." or "..": a name
      // of dots and blanks only ("...", ". .") names the folder it is in.
      name = name.substr(0, name.find_last_not_of(". ") + 1);
      if (name.empty()) continue;
    } else if (name.size() >= 2 && name.back() == '.' && name[name.size() - 2] != '.') {
      name.remove_suffix(1);  // "sub.\x" is "sub\x"; "a..\x" and "...\x" stay
    }
    for (char c : name) {
      if (IsReservedNameChar(c)) return false;
    }
    if (!IsValidUtf8(name)) return false;
    parts.emplace_back(name);
  }
  return true;
}

bool ParseDrive(std::string_view path, char& letter) {
  if (path.size() < 2 || path[1] != ':') return false;
  char c = path[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c < 'A' || c > 'Z') return false;
  if (path.size() > 2 && !IsSeparator(path[2])) return false;  // "E:x" is drive-relative
  letter = c;
  return true;
}

bool MatchFrom(const std::u32string& p, size_t pi, const std::u32string& n, size_t ni) {
  // Iterative wildcard match with back-tracking to the last '*'.
  size_t starP = std::u32string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
      ++pi, ++ni;
    } else if (pi < p.size() && p[pi] == U'*') {
      starP = pi++, starN = ni;
    } else if (starP != std::u32string::npos) {
      pi = starP + 1, ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == U'*') ++pi;
  return pi == p.size();
}

std::u32string FoldedChars(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    char32_t c;
    size_t len = DecodeUtf8(s, i, c);
    if (len == 0) {
      c = 0x110000 + static_cast<unsigned char>(s[i]);  // a stray byte stands for itself
      len = 1;
    }
    out += FoldCase(c);
    i += len;
  }
  return out;
}

}  // namespace

size_t DecodeUtf8(std::string_view s, size_t i, char32_t& out) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    out = b0;
    return 1;
  }
  size_t len;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  out = cp;
  return len;
}

std::string WinPath::ToString() const {
  std::string out(1, letter);
  out += ":\\";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += '\\';
    out += parts[i];
  }
  return out;
}

bool IsReservedNameChar(char c) {
  switch (c) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
    case '\0':
      return true;
    default:
      return false;
  }
}

std::optional<WinPath> ParseWinPath(std::string_view path) {
  WinPath out;
  if (!ParseDrive(path, out.letter)) return std::nullopt;
  if (!SplitNames(path.substr(2), out.parts, true)) return std::nullopt;
  out.folderOnly = !out.parts.empty() && IsSeparator(path.back());
  return out;
}

std::optional<WinPattern> ParseWinPattern(std::string_view pattern) {
  size_t cut = pattern.size();
  while (cut > 0 && !IsSeparator(pattern[cut - 1])) --cut;
  if (cut < 3) return std::nullopt;  // needs at least "X:\"
  const std::string_view name = pattern.substr(cut);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  for (char c : name) {
    if (c != '*' && c != '?' && IsReservedNameChar(c)) return std::nullopt;
  }
  if (!IsValidUtf8(name)) return std::nullopt;
  WinPattern out;
  if (!ParseDrive(pattern.substr(0, cut), out.folder.letter)) return std::nullopt;
  if (!SplitNames(pattern.substr(2, cut - 2), out.folder.parts, false)) return std::nullopt;
  out.name = std::string(name);
  return out;
}

namespace {

// `name` with every well-formed character passed through `map`; other bytes
// stay as they are.
template <typename Map>
std::string MapChars(std::string_view name, Map map) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    char32_t c;
    const size_t len = DecodeUtf8(name, i, c);
    if (len == 0) {
      out += name[i++];
      continue;
    }
    if (len == 1) {
      out += static_cast<char>(map(c));
    } else {
      AppendUtf8(out, map(c));
    }
    i += len;
  }
  return out;
}

}  // namespace

std::string FoldName(std::string_view name) {
  return MapChars(name, FoldCase);
}

std::string LowerName(std::string_view name) {
  return MapChars(name, LowerCase);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    size_t i = 0;
    while (i < a.size() && a[i] == b[i]) ++i;
    if (i == a.size()) return true;
  }
  return FoldName(a) == FoldName(b);
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*" || pattern == "*.*") return true;
  return MatchFrom(FoldedChars(pattern), 0, FoldedChars(name), 0);
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    const size_t len = DecodeUtf8(text, i, c);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

}  // namespace veltrano::fs
