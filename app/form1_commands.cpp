// The menu handlers of Form1 that run the commands of the other modules.
#include "app/form1.h"

#include "cleanup/cleanup_command.h"
#include "repair/folder_repair.h"
#include "sweep/scan_drives.h"

namespace veltrano {

// A sweep clears the scan log, which a cleanup reads back as its list of files
// to delete. While a stopped cleanup search is still unwinding (Busy is 0
// again, but the cleanup has not finished), a sweep click is ignored, as a
// cleanup click is then.
static bool CleanupHoldsTheLog(const Form1& form) {
  return form.Busy == 0 && cleanup::CleanupRunning(form);
}

void Form1::menuqim_Click() {
  if (CleanupHoldsTheLog(*this)) return;
  sweep::ScanDrives(*this, 2, sweep::kRemovableLabel);
}

void Form1::menukhdd_Click() {
  if (CleanupHoldsTheLog(*this)) return;
  sweep::ScanDrives(*this, 3, sweep::kFixedLabel);
}

void Form1::reudir_Click() {
  repair::reudir_Click(*this);
}

void Form1::menuclean_Click() {
  cleanup::menuclean_Click(*this);
}

std::string Form1::GetFromINI(std::string_view AppName, std::string_view KeyName,
                              std::string_view FileName) {
  return sweep::GetFromINI(fs_, AppName, KeyName, FileName);
}

}  // namespace veltrano
