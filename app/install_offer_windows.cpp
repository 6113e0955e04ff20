// The decision, the names and the order of the Windows install offer.
#include "app/install_offer_windows.h"

namespace veltrano::win_install {
namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view FileNameOf(std::string_view path) {
  size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  return path.substr(i);
}

}  // namespace

std::string ProgramFolder(std::string_view programPath) {
  size_t end = programPath.size();
  while (end > 0 && !IsSeparator(programPath[end - 1])) --end;
  if (end == 0) return {};
  std::string folder(programPath.substr(0, end - 1));
  // A drive root keeps its separator: "C:\", not "C:".
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

bool ShouldOfferInstall(std::string_view programPath) {
  if (programPath.empty()) return false;
  const std::string folder = ProgramFolder(programPath);
  const std::string head = LowerAscii(std::string_view(folder).substr(0, kNoOfferPrefix.size()));
  return head != kNoOfferPrefix;
}

std::string InstallFileName(std::string_view productName, std::string_view programPath) {
  if (!productName.empty()) return std::string(productName);
  return std::string(FileNameOf(programPath));
}

std::string InstallTarget(std::string_view productName, std::string_view programPath) {
  return std::string(kInstallFolder) + InstallFileName(productName, programPath);
}

std::string ShortcutPath(std::string_view desktopFolder) {
  std::string_view folder = desktopFolder;
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  return std::string(folder) + std::string(kShortcutName);
}

std::string FailureText(const Failure& failure) {
  std::string text(kFailedHeading);
  text += failure.step;
  text += "\n";
  text += kReasonLabel;
  text += failure.reason;
  return text;
}

std::optional<Failure> Run(const InstallContext& context) {
  WinInstallSteps& steps = *context.steps;
  std::string desktop;
  if (auto reason = steps.DesktopFolder(desktop)) {
    return Failure{std::string(kStepDesktop), *reason};
  }
  const std::string link = ShortcutPath(desktop);
  const std::string target = InstallTarget(context.productName, context.programPath);
  if (auto reason = steps.CopyProgram(context.programPath, target)) {
    return Failure{std::string(kStepCopyProgram) + target, *reason};
  }
  if (auto reason = steps.SaveShortcut(link, target)) {
    return Failure{std::string(kStepSaveShortcut) + link, *reason};
  }
  return std::nullopt;
}

}  // namespace veltrano::win_install
