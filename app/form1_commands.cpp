// The menu handlers of Form1 that run the commands of the other modules.
#include "app/form1.h"

#include "cleanup/cleanup_command.h"
#include "repair/folder_repair.h"
#include "sweep/scan_drives.h"

namespace veltrano {

void Form1::menuqim_Click() {
  sweep::ScanDrives(*this, 2, sweep::kRemovableLabel);
}

void Form1::menukhdd_Click() {
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
