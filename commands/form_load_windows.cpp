// Form_Load on Windows: the self-install offer.
#include "app/form1_texts.h"
#include "app/install_offer_windows.h"
#include "commands/form1.h"

namespace veltrano {

void Form1::Form_Load(const InstallContext& context) {
  if (!win_install::ShouldOfferInstall(context.programPath) || context.steps == nullptr) return;
  const host::MsgAnswer answer = Host().MessageBox(
      {std::string(win_install::kOfferText), std::string(win_install::kOfferCaption),
       host::MsgButtons::kYesNo, host::MsgIcon::kQuestion, host::MsgAnswer::kYes});
  if (answer != host::MsgAnswer::kYes) return;

  if (auto failure = win_install::Run(context)) {
    // The installation stops at the failing step and the program ends.
    Host().MessageBox({win_install::FailureText(*failure), std::string(texts::kAppTitle),
                       host::MsgButtons::kOk, host::MsgIcon::kCritical, host::MsgAnswer::kOk});
    Host().EndProcess(1);
  }
  Host().MessageBox({std::string(win_install::kWelcomeText),
                     std::string(win_install::kWelcomeCaption), host::MsgButtons::kOk,
                     host::MsgIcon::kInformation, host::MsgAnswer::kOk});
  OpenWebPage(texts::kHomePageUrl);
  Form_Unload();
}

}  // namespace veltrano
