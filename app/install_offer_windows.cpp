// The decision, the names and the order of the Windows install offer.
#include "app/install_offer_windows.h"

namespace veltrano {
namespace win_install {
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

}  // namespace win_install

bool WindowsInstallSteps::ShouldOffer(const InstallContext& context) const {
  return win_install::ShouldOfferInstall(context.programPath);
}

std::string WindowsInstallSteps::OfferText(const InstallContext&) const {
  std::string_view folder = win_install::kInstallFolder;
  folder.remove_suffix(1);  // "C:\Program Files", without its last separator
  return veltrano::OfferText(folder);
}

std::optional<InstallFailure> WindowsInstallSteps::Install(const InstallContext& context) {
  std::string desktop;
  if (auto reason = DesktopFolder(desktop)) {
    return InstallFailure{std::string(install_texts::kStepDesktop), *reason};
  }
  const std::string link = win_install::ShortcutPath(desktop);
  const std::string target = win_install::InstallTarget(context.productName, context.programPath);
  if (auto reason = CopyProgram(context.programPath, target)) {
    return InstallFailure{std::string(install_texts::kStepCopyProgram) + target, *reason};
  }
  if (auto reason = SaveShortcut(link, target)) {
    return InstallFailure{std::string(install_texts::kStepWriteShortcut) + link, *reason};
  }
  return std::nullopt;
}

}  // namespace veltrano
