#include "sweep/scan_drives.h"

#include <bit>
#include <string>

#include "app/form_state.h"
#include "platform/fs/file_system.h"
#include "platform/fs/win_path.h"
#include "sweep/sweep_run.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {
namespace {

constexpr int16_t kFirstDrive = 2;  // C:; A: and B: are never swept
constexpr int16_t kLastDrive = 25;  // Z:

// Lets the file system drop the folder handles it kept during the sweep, so
// that a swept stick can be unmounted, however the sweep ends.
class HandleRelease {
 public:
  explicit HandleRelease(fs::FileSystem& fileSystem) : fs_(fileSystem) {}
  ~HandleRelease() { fs_.ReleaseHandles(); }
  HandleRelease(const HandleRelease&) = delete;
  HandleRelease& operator=(const HandleRelease&) = delete;

 private:
  fs::FileSystem& fs_;
};

}  // namespace

void ScanDrives(FormState& form, int16_t DriveType, std::string_view label) {
  // A click while a sweep or the cleanup search runs only asks it to stop.
  if (form.Busy != 0) {
    form.Busy = 0;
    return;
  }
  SweepRun run{form, form.FileSystem()};
  HandleRelease release(run.fs);
  form.Busy = -1;
  form.List1.Clear();

  const uint32_t mask = run.fs.GetLogicalDrives();
  if (mask != 0) {
    // The highest present letter: the index of the highest set bit.
    const int highest = std::bit_width(mask) - 1;
    const int16_t last = static_cast<int16_t>(highest < kLastDrive ? highest : kLastDrive);
    for (int16_t drive = kFirstDrive; drive <= last; ++drive) {
      const std::string root = fs::DriveRoot(static_cast<char>('A' + drive));
      if (run.fs.GetDriveType(root) != static_cast<fs::DriveType>(DriveType)) continue;
      form.List1.Append({});
      form.List1.Append(std::string(label) + root);
      CheckAutorun(run, drive);
      if ((mask & (1u << drive)) != 0 && CheckRoot(run, drive)) {
        return;  // stopped: no further drive, no summary, Busy stays 0
      }
    }
  }

  form.List1.Append({});
  form.List1.Append({});
  form.List1.Select(form.List1.Count() - 1);
  form.List1.Append({});
  form.List1.Append(std::string(texts::kSummaryPrefix) + " " + std::to_string(run.removed) +
                    std::string(texts::kSummarySuffix));
  form.Busy = 0;
}

}  // namespace veltrano::sweep
