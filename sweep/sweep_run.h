// One run of the autorun sweep: its state and the steps that ScanDrives runs
// for each drive.
#pragma once

#include <cstdint>
#include <string_view>

namespace veltrano {
class FormState;
}
namespace veltrano::fs {
class FileSystem;
}

namespace veltrano::sweep {

// The removal counter is 16-bit and stops at its top.
inline constexpr int16_t kMaxRemovals = 32767;

struct SweepRun {
  FormState& form;
  fs::FileSystem& fs;
  int16_t removed = 0;  // successful removals on all drives so far

  // Counts one successful removal (an increment at kMaxRemovals is dropped).
  void CountRemoval() {
    if (removed < kMaxRemovals) ++removed;
  }
};

// The clear step every file removal goes through: attributes to normal,
// delete, test again. Appends prefix + shownName + " 已清除！" and counts it
// when the delete succeeded and the file is gone; otherwise appends
// prefix + shownName + " 清除失败！". Returns whether the file was removed.
bool ClearFile(SweepRun& run, std::string_view path, std::string_view prefix,
               std::string_view shownName);

// Removes what the drive's autorun.inf starts ("open", then "Shellexecute"),
// the autorun.inf file itself, then a hidden folder named Autorun.inf.
void CheckAutorun(SweepRun& run, int16_t drive);

// Walks the drive's root, letting window events through once per entry, and
// removes fake-folder programs, hidden system programs, .pif/.scr/.dl files
// and worms' shortcuts with what they start. Returns true when the walk ended
// because a stop was requested.
bool CheckRoot(SweepRun& run, int16_t drive);

}  // namespace veltrano::sweep
