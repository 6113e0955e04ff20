// Form_Load elsewhere than on Windows: the self-install offer.
#include "app/form1_texts.h"
#include "app/install_offer.h"
#include "commands/form1.h"

namespace veltrano {

void Form1::Form_Load(const InstallContext& context) {
  if (!ShouldOfferInstall(context)) return;
  const InstallPlan plan = PlanInstall(context);
  const host::MsgAnswer answer = Host().MessageBox(
      {OfferText(plan.installFolder), std::string(install_texts::kOfferCaption),
       host::MsgButtons::kYesNo, host::MsgIcon::kQuestion, host::MsgAnswer::kYes});
  if (answer != host::MsgAnswer::kYes) return;

  if (auto failure = RunInstall(context, plan)) {
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

}  // namespace veltrano
