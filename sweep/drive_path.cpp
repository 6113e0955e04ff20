#include "sweep/drive_path.h"

namespace veltrano::sweep {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Characters that no Windows file name holds; a value with one of them names
// nothing on any drive (':' would also switch drives or open a stream).
bool IsForbidden(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return true;
  switch (c) {
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

// Windows drops trailing dots and blanks from a name, so a name made of dots
// and blanks only ("." "..", "...", ". .") means the folder itself or its
// parent.
bool IsDotsOnly(std::string_view name) {
  return name.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

std::string DriveRoot(int16_t index) {
  std::string root(1, static_cast<char>('A' + index));
  root += ":\\";
  return root;
}

std::optional<std::string> PathOnDrive(std::string_view root, std::string_view value) {
  if (value.empty()) return std::nullopt;
  for (char c : value) {
    if (IsForbidden(c)) return std::nullopt;
  }
  // Every name between separators must be a real name: an empty one comes
  // from a leading separator ("\x", "\\server\share"), a doubled or a
  // trailing one.
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = start;
    while (end < value.size() && !IsSeparator(value[end])) ++end;
    const std::string_view name = value.substr(start, end - start);
    if (name.empty() || IsDotsOnly(name)) return std::nullopt;
    start = end + 1;
  }
  std::string path(root);
  path += value;
  return path;
}

}  // namespace veltrano::sweep
