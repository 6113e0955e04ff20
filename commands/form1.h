// Form1, the main window: its state (app/form_state.h) and its handlers,
// which run the commands of sweep/, repair/ and cleanup/ on that state. The
// views render the state's models and forward clicks to the handlers; tests
// drive the handlers directly.
#pragma once

#include <string>
#include <string_view>

#include "app/form_state.h"

namespace veltrano {

struct InstallContext;
class InstallSteps;

class Form1 : public FormState {
 public:
  using FormState::FormState;

  // --- handlers -------------------------------------------------------------
  // Runs the self-install offer before the window is first shown, with the
  // platform's steps. An accepted offer ends the process.
  void Form_Load(const InstallContext& context, InstallSteps& steps);
  // Ends the process at once.
  [[noreturn]] void Form_Unload();
  void menuqim_Click();
  void menukhdd_Click();
  void reudir_Click();
  void menuclean_Click();
  void mhelp_Click();
  void menunet_Click();
  void ucAniGIF1_Click();

  // Reads one value from an INI file (section AppName, key KeyName).
  std::string GetFromINI(std::string_view AppName, std::string_view KeyName,
                         std::string_view FileName);

 private:
  // True while the cleanup holds the scan log, which a sweep or a repair
  // would clear: from the cleanup's start until it has ended, its count,
  // confirmation and deletion pass included.
  bool CleanupHoldsTheLog() const;

  // The one record of a running command beside Busy, the stop flag that the
  // sweep and the cleanup search set and test: whether a cleanup has started
  // on this window and not yet ended. Busy alone cannot tell, as the cleanup
  // clears it when its search ends, and a stopped search still unwinds with
  // Busy at 0.
  bool cleanupRunning_ = false;
};

}  // namespace veltrano
