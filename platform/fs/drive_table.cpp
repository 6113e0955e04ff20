#include "platform/fs/drive_table.h"

#include <array>
#include <utility>

#include "platform/fs/file_system.h"

namespace veltrano::fs {
namespace {

constexpr std::array<std::pair<std::string_view, DriveType>, 5> kTypeNames{{
    {"removable", kDriveRemovable},
    {"fixed", kDriveFixed},
    {"remote", kDriveRemote},
    {"cdrom", kDriveCdRom},
    {"ramdisk", kDriveRamDisk},
}};

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != b[i]) return false;
  }
  return true;
}

void Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
}

}  // namespace

std::optional<DriveSpec> ParseDriveSpec(std::string_view text, std::string* error) {
  const std::string quoted = "'" + std::string(text) + "'";
  if (text.size() < 2 || text[1] != ':') {
    Fail(error, quoted + ": expected LETTER:TYPE:FOLDER");
    return std::nullopt;
  }
  char letter = text[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') {
    Fail(error, quoted + ": the drive letter must be A to Z");
    return std::nullopt;
  }
  const std::string_view rest = text.substr(2);
  const size_t colon = rest.find(':');
  if (colon == std::string_view::npos) {
    Fail(error, quoted + ": expected LETTER:TYPE:FOLDER");
    return std::nullopt;
  }
  const std::string_view typeName = rest.substr(0, colon);
  const std::string_view path = rest.substr(colon + 1);
  DriveSpec desc;
  desc.letter = letter;
  bool known = false;
  for (const auto& [name, code] : kTypeNames) {
    if (SameAscii(typeName, name)) {
      desc.type = code;
      known = true;
    }
  }
  if (!known) {
    Fail(error, quoted + ": unknown drive type '" + std::string(typeName) +
                    "' (removable, fixed, remote, cdrom or ramdisk)");
    return std::nullopt;
  }
  if (path.empty()) {
    Fail(error, quoted + ": the folder is missing");
    return std::nullopt;
  }
  desc.hostPath = std::string(path);
  return desc;
}

std::optional<std::vector<DriveSpec>> ParseDriveTable(const std::vector<std::string>& texts,
                                                      std::string* error) {
  std::vector<DriveSpec> table;
  for (const std::string& text : texts) {
    auto desc = ParseDriveSpec(text, error);
    if (!desc) return std::nullopt;
    for (const DriveSpec& other : table) {
      if (other.letter == desc->letter) {
        Fail(error, std::string("drive ") + desc->letter + ": is given twice");
        return std::nullopt;
      }
    }
    table.push_back(std::move(*desc));
  }
  return table;
}

std::string_view DriveTypeName(DriveType type) {
  for (const auto& [name, code] : kTypeNames) {
    if (code == type) return name;
  }
  return {};
}

}  // namespace veltrano::fs
