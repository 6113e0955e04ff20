#include "platform/fs/removal.h"

namespace veltrano::fs {

Removal RemoveFile(FileSystem& fileSystem, const PathArg& path) {
  const bool deleted = fileSystem.DeleteFileForced(path);
  const PathState after = fileSystem.ProbeEntry(path);
  if (after == PathState::kFile) return Removal::kStayed;
  if (deleted) return Removal::kRemoved;
  return after == PathState::kMissing ? Removal::kAlreadyGone : Removal::kStayed;
}

}  // namespace veltrano::fs
