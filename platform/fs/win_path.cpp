#include "platform/fs/win_path.h"

#include <cstdint>

#include "platform/fs/name_case.h"
#include "platform/text/text.h"

namespace veltrano::fs {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
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
    if (!text::IsValidUtf8(name)) return false;
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
    size_t len = text::DecodeUtf8(s, i, c);
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

std::string DriveRoot(char letter) {
  return std::string{letter, ':', '\\'};
}

std::string WinPath::ToString() const {
  std::string out = DriveRoot(letter);
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

PathArg::PathArg(std::string_view text) : parsed_(ParseWinPath(text)) {
  if (parsed_) path_ = &*parsed_;
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
  if (!text::IsValidUtf8(name)) return std::nullopt;
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
    const size_t len = text::DecodeUtf8(name, i, c);
    if (len == 0) {
      out += name[i++];
      continue;
    }
    if (len == 1) {
      out += static_cast<char>(map(c));
    } else {
      text::AppendUtf8(out, map(c));
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

}  // namespace veltrano::fs
