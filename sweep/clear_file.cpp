#include "app/form_state.h"
#include "platform/fs/removal.h"
#include "sweep/sweep_run.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {

bool ClearFile(SweepRun& run, std::string_view path, std::string_view prefix,
               std::string_view shownName) {
  // A file counts as removed only when the delete itself succeeded and the
  // file is gone: a path that no longer (or never) named a file, say one the
  // file system refused to reach, is not a removal.
  const bool removed = fs::RemoveFile(run.fs, path) == fs::Removal::kRemoved;
  std::string line(prefix);
  line += shownName;
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
