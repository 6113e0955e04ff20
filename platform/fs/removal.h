// The one rule by which every command decides whether a file it deleted is
// gone.
#pragma once

#include "platform/fs/file_system.h"

namespace veltrano::fs {

enum class Removal {
  kRemoved,      // the delete worked and the entry is no file now
  kAlreadyGone,  // the delete failed, but the path names nothing at all
  kStayed,       // a file is still there, or the lookup cannot tell
};

// Removes the file at `path` whatever its attributes (DeleteFileForced) and
// asks this very entry what is there now (ProbeEntry: where letter case tells
// names apart, a twin that differs only in case is not this file). A failed
// lookup after a failed delete never counts as gone: another mount on the
// name, a path too long to look up or a folder swapped on the way cannot show
// that the file went.
Removal RemoveFile(FileSystem& fileSystem, const PathArg& path);

}  // namespace veltrano::fs
