#include "app/form_state.h"
#include "platform/fs/file_system.h"
#include "sweep/sweep_run.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {

bool ClearFile(SweepRun& run, std::string_view path, std::string_view prefix,
               std::string_view shownName) {
  // Attributes to normal, then the delete (a file with other hard links
  // keeps the attributes it shares with them).
  // A file counts as removed only when the delete itself succeeded and the
  // file is gone: a path that no longer (or never) named a file, say one the
  // file system refused to reach, is not a removal. Gone is asked of this
  // very entry: where letter case tells names apart, a twin that differs
  // only in case is a finding of its own, not a sign that this one stayed.
  const bool deleted = run.fs.DeleteFileForced(path);
  const bool gone = run.fs.ProbeEntry(path) != fs::PathState::kFile;
  std::string line(prefix);
  line += shownName;
  const bool removed = deleted && gone;
  if (removed) {
    line += texts::kRemoved;
    run.CountRemoval();
  } else {
    line += texts::kRemoveFailed;
  }
  run.form.List1.Append(std::move(line));
  return removed;
}

}  // namespace veltrano::sweep
