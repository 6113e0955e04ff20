#include "platform/fs/win32_windows.h"

#include <iostream>

#include "platform/fs/win32_file_system.h"
#include "platform/text/wide_text_win32.h"
#include "tools/cli_platform.h"

namespace veltrano::cli {

const char* const kDrivesHelp =
    "Without --drive the drives are the machine's own; FOLDER is a Windows\n"
    "folder path.\n"
    "\n"
    "  drives      print the drive table (letter, type, root) and change nothing\n";

const char* const kDriveExample = "E:removable:C:\\test\\usb";

const char* const kDriveOptionsHelp =
    "  --drive E:removable:C:\\test\\usb\n"
    "                                map a folder to a drive letter; TYPE is\n"
    "                                removable, fixed, remote, cdrom or ramdisk\n";

std::unique_ptr<fs::FileSystem> MakeFileSystem(std::vector<fs::DriveSpec> table,
                                               std::string& error) {
  if (table.empty()) return std::make_unique<fs::Win32FileSystem>();
  for (const auto& desc : table) {
    const auto wide = text::Utf8ToWide(desc.hostPath);
    const DWORD a = wide ? ::GetFileAttributesW(wide->c_str()) : INVALID_FILE_ATTRIBUTES;
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      error = "drive " + std::string(1, desc.letter) + ": '" + desc.hostPath + "' is not a folder";
      return nullptr;
    }
  }
  return std::make_unique<fs::Win32FileSystem>(std::move(table));
}

void PrintDrives(fs::FileSystem& fileSystem) {
  std::cout << "drive\ttype\troot\n";
  const uint32_t mask = fileSystem.GetLogicalDrives();
  for (int n = 0; n < 26; ++n) {
    if ((mask & (1u << n)) == 0) continue;
    const std::string root = fs::DriveRoot(static_cast<char>('A' + n));
    const fs::DriveType code = fileSystem.GetDriveType(root);
    const std::string_view type = fs::DriveTypeName(code);
    std::cout << root.substr(0, 2) << '\t'
              << (type.empty() ? std::to_string(static_cast<uint32_t>(code)) : std::string(type))
              << '\t' << root << '\n';
  }
}

bool InputIsTerminal() {
  // _isatty is true for any character device, the null device included;
  // only a console has a console mode.
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  return input != nullptr && input != INVALID_HANDLE_VALUE && ::GetConsoleMode(input, &mode) != 0;
}

}  // namespace veltrano::cli
