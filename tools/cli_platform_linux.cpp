#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "platform/fs/linux_file_system.h"
#include "tools/cli_platform.h"
#include "tools/printable_text.h"

namespace veltrano::cli {
namespace {

using tools::Printable;

// Where a drive's DOS attributes are kept, as the table shows it.
const char* StoreName(fs::DosAttributeStore store) {
  using fs::DosAttributeStore;
  switch (store) {
    case DosAttributeStore::kFatIoctl:
      return "fat-attributes";
    case DosAttributeStore::kNtfsXattr:
      return "system.ntfs_attrib";
    case DosAttributeStore::kCifsXattr:
      return "user.cifs.dosattrib";
    case DosAttributeStore::kWineXattr:
      break;
  }
  return "user.DOSATTRIB";
}

}  // namespace

const char* const kDrivesHelp =
    "Without --drive the drives are the ones the window sees: / is C:, the\n"
    "other mounts follow, typed from /sys.\n"
    "\n"
    "  drives      print the drive table (letter, type, folder, file system,\n"
    "              where DOS attributes are kept) and change nothing\n";

const char* const kDriveExample = "E:removable:/tmp/usb";

const char* const kDriveOptionsHelp =
    "  --drive E:removable:/tmp/usb  map a folder to a drive letter; TYPE is\n"
    "                                removable, fixed, remote, cdrom or ramdisk\n"
    "  --mounts                      the drives the window sees (the default)\n";

std::unique_ptr<fs::FileSystem> MakeFileSystem(std::vector<fs::DriveSpec> table,
                                               std::string& error) {
  if (table.empty()) return std::make_unique<fs::LinuxFileSystem>();
  for (auto& desc : table) {
    std::error_code ec;
    const auto folder = std::filesystem::canonical(desc.hostPath, ec);
    if (ec || !std::filesystem::is_directory(folder, ec)) {
      error = "drive " + std::string(1, desc.letter) + ": '" + desc.hostPath + "' is not a folder";
      return nullptr;
    }
    desc.hostPath = folder.string();
  }
  return std::make_unique<fs::LinuxFileSystem>(std::move(table));
}

void PrintDrives(fs::FileSystem& fileSystem) {
  // MakeFileSystem makes nothing but the Linux backend here.
  const auto& linux = static_cast<const fs::LinuxFileSystem&>(fileSystem);
  std::cout << "drive\ttype\tfolder\tfile system\tattributes\n";
  for (const auto& d : linux.Drives()) {
    const std::string_view type = fs::DriveTypeName(d.type);
    std::cout << d.letter << ":\t"
              << (type.empty() ? std::to_string(static_cast<uint32_t>(d.type)) : std::string(type))
              << '\t' << Printable(d.hostPath) << '\t'
              << (d.fsType.empty() ? "-" : Printable(d.fsType)) << '\t' << StoreName(d.store)
              << '\n';
  }
}

bool InputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

}  // namespace veltrano::cli
