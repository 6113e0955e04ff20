#include "commands/form1.h"

#include <cstdlib>
#include <utility>

#include "app/form1_texts.h"
#include "app/install_offer.h"
#include "cleanup/cleanup_command.h"
#include "repair/folder_repair.h"
#include "sweep/scan_drives.h"

namespace veltrano {
namespace {

// Sets a flag for as long as it is in scope and then gives it back the value
// it had, also when the process ends in the middle.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), before_(std::exchange(flag, true)) {}
  ~FlagScope() { flag_ = before_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool before_;
};

}  // namespace

bool Form1::CleanupHoldsTheLog() const {
  // While Busy is -1 a click is a stop request, which is always let through.
  return Busy == 0 && cleanupRunning_;
}

void Form1::Form_Load(const InstallContext& context, InstallSteps& steps) {
  if (!steps.ShouldOffer(context)) return;
  const host::MsgAnswer answer = Host().MessageBox(
      {steps.OfferText(context), std::string(install_texts::kOfferCaption),
       host::MsgButtons::kYesNo, host::MsgIcon::kQuestion, host::MsgAnswer::kYes});
  if (answer != host::MsgAnswer::kYes) return;

  if (auto failure = steps.Install(context)) {
    // The installation stops at the failing step and the program ends.
    Host().MessageBox({InstallFailureText(*failure), std::string(texts::kAppTitle),
                       host::MsgButtons::kOk, host::MsgIcon::kCritical, host::MsgAnswer::kOk});
    Host().EndProcess(1);
  }
  Host().MessageBox({std::string(install_texts::kWelcomeText),
                     std::string(install_texts::kWelcomeCaption), host::MsgButtons::kOk,
                     host::MsgIcon::kInformation, host::MsgAnswer::kOk});
  OpenWebPage(texts::kHomePageUrl);
  Form_Unload();
}

void Form1::Form_Unload() {
  Host().EndProcess(0);
  std::abort();  // EndProcess never returns; this only tells the compiler so
}

// A sweep clears the scan log, which a cleanup reads back as its list of files
// to delete. While a stopped cleanup search is still unwinding (Busy is 0
// again, but the cleanup has not finished), a sweep click is ignored, as a
// cleanup click is then.
void Form1::menuqim_Click() {
  if (CleanupHoldsTheLog()) return;
  sweep::ScanDrives(*this, 2, sweep::kRemovableLabel);
}

void Form1::menukhdd_Click() {
  if (CleanupHoldsTheLog()) return;
  sweep::ScanDrives(*this, 3, sweep::kFixedLabel);
}

// The repair clears the scan log too: it is ignored while a sweep or the
// cleanup search runs and while a cleanup holds the log.
void Form1::reudir_Click() {
  if (Busy == -1 || cleanupRunning_) return;
  repair::reudir_Click(*this);
}

void Form1::menuclean_Click() {
  // Starting again while a stopped search unwinds would clear the list it is
  // about to count and delete.
  if (CleanupHoldsTheLog()) return;
  // A click that is only a stop request leaves the flag as it found it.
  const FlagScope running(cleanupRunning_);
  cleanup::menuclean_Click(*this);
}

void Form1::mhelp_Click() {
  OpenWebPage(texts::kHelpPageUrl);
}

void Form1::menunet_Click() {
  OpenWebPage(texts::kHomePageUrl);
}

void Form1::ucAniGIF1_Click() {
  OpenWebPage(texts::kHomePageUrl);
}

std::string Form1::GetFromINI(std::string_view AppName, std::string_view KeyName,
                              std::string_view FileName) {
  return sweep::GetFromINI(FileSystem(), AppName, KeyName, FileName);
}

}  // namespace veltrano
