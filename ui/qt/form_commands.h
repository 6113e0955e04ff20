// Wires the window's four command menus to Form1's handlers (tests of the
// window may wire their own instead).
#pragma once

#include "commands/form1.h"
#include "ui/qt/main_window.h"

namespace veltrano::qt {

inline CommandHandlers FormCommands(Form1& form) {
  return {
      [&form] { form.menuqim_Click(); },
      [&form] { form.menukhdd_Click(); },
      [&form] { form.reudir_Click(); },
      [&form] { form.menuclean_Click(); },
  };
}

}  // namespace veltrano::qt
