// A drive table given by hand: drive letters mapped to host folders, each
// with a drive type. Written "E:removable:/tmp/usb" on the command line of
// the headless driver and in the demo; the folder becomes the root of drive
// E:, and nothing outside it can be reached through that drive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/file_system.h"

namespace veltrano::fs {

struct DriveSpec {
  char letter = 'C';  // upper case
  DriveType type = kDriveFixed;
  std::string hostPath;
};

// Parses "LETTER:TYPE:PATH". TYPE is one of removable, fixed, remote, cdrom,
// ramdisk (any letter case); PATH is everything after the second colon and
// must not be empty. On failure returns nullopt and, when `error` is given,
// says what was wrong.
std::optional<DriveSpec> ParseDriveSpec(std::string_view text, std::string* error = nullptr);

// Parses several drive entries; fails on the first bad one or on a letter given twice.
std::optional<std::vector<DriveSpec>> ParseDriveTable(const std::vector<std::string>& texts,
                                                      std::string* error = nullptr);

// The name used in a drive entry for a drive type ("removable"), or "" for codes
// that have none.
std::string_view DriveTypeName(DriveType type);

}  // namespace veltrano::fs
