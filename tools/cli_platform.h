// What veltrano-cli does differently on each target: which file system its
// commands run on and how it prints the drive table. One source file per
// target; arguments and console are in command_line.h.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/fs/drive_table.h"
#include "platform/fs/file_system.h"

namespace veltrano::cli {

// The help text on which drives there are without --drive, and on the
// "drives" command.
extern const char* const kDrivesHelp;

// The help lines of the options that choose the drives, with a folder
// example of this system.
extern const char* const kDriveOptionsHelp;

// A --drive value of this system, shown where one is given wrong.
extern const char* const kDriveExample;

// The file system of the commands: the drive table's folders, or, with an
// empty table, the drives the window sees (the host's mounts on Linux, the
// machine's own drives on Windows). nullptr with `error` set when a folder
// is not one.
std::unique_ptr<fs::FileSystem> MakeFileSystem(std::vector<fs::DriveSpec> table,
                                               std::string& error);

// Prints the drive table of a file system made by MakeFileSystem.
void PrintDrives(fs::FileSystem& fileSystem);

// True when standard input is a terminal a user can answer on; false for a
// pipe, a file or the null device.
bool InputIsTerminal();

}  // namespace veltrano::cli
