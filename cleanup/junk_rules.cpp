#include "cleanup/junk_rules.h"

#include <array>

namespace veltrano::cleanup {
namespace {

// Folders whose files are all junk, as the end of the lower-cased folder path.
// Each literal is compared on exactly its own length, so "ngs\temp\" stands for
// ...\Local Settings\Temp\ and "tor\recent\" for ...\Administrator\Recent\.
constexpr std::array<std::string_view, 7> kJunkFolderEnds = {
    "recycled\\",
    "\\prefetch\\",
    "ngs\\temp\\",
    "ows\\temp\\",
    "\\cookies\\",
    "tor\\recent\\",
    "temporary internet files\\",
};

// Whole names the shell and the disk checker leave behind.
constexpr std::array<std::string_view, 4> kJunkNames = {
    "thumbs.db",
    "folder.htt",
    "desktop_.ini",
    "_desktop.ini",
};

constexpr std::array<std::string_view, 3> kJunkExtensions = {".err", ".chk", ".fix"};

char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the last characters of `text`, lower-cased, equal `lowerSuffix`.
// The literals are ASCII, so comparing bytes is comparing characters.
bool EndsWithLower(std::string_view text, std::string_view lowerSuffix) {
  if (text.size() < lowerSuffix.size()) return false;
  const std::string_view tail = text.substr(text.size() - lowerSuffix.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    if (LowerChar(tail[i]) != lowerSuffix[i]) return false;
  }
  return true;
}

bool EqualsLower(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() && EndsWithLower(text, lower);
}

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

FolderRules ClassifyFolder(std::string_view folderPath) {
  FolderRules rules;
  for (std::string_view end : kJunkFolderEnds) {
    if (EndsWithLower(folderPath, end)) {
      rules.junkFolder = true;
      break;
    }
  }
  rules.systemFolder =
      EndsWithLower(folderPath, "windows\\") || EndsWithLower(folderPath, "\\system32\\");
  return rules;
}

bool IsJunkFile(const FolderRules& rules, std::string_view name) {
  if (rules.junkFolder) return true;
  // The extension is the last four characters of the name (all of a shorter one).
  if (rules.systemFolder && (EndsWithLower(name, ".tmp") || EndsWithLower(name, ".bak"))) {
    return true;
  }
  for (std::string_view junk : kJunkNames) {
    if (EqualsLower(name, junk)) return true;
  }
  for (std::string_view ext : kJunkExtensions) {
    if (EndsWithLower(name, ext)) return true;
  }
  return false;
}

}  // namespace veltrano::cleanup
