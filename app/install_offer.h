// The self-install offer that Form_Load runs at start-up, and the seam for
// each platform's side of it.
//
// When the program runs from anywhere but an install location, Form_Load asks
// once whether to install it. Accepted, the platform's steps copy the running
// executable to the install folder and put a shortcut to the copy on the
// desktop; a welcome box is shown, the home page opens and the program ends:
// the user starts the installed copy from the desktop. A step that fails ends
// the program with a box that names the step and the system's reason; no
// shortcut is written without its copy. Nothing is stored between runs.
//
// Behind InstallSteps: LinuxInstallSteps (install_offer_linux.h) and the
// Windows rules, WindowsInstallSteps (install_offer_windows.h), whose system
// calls the Win32 front end provides.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/install_texts.h"

namespace veltrano {

// Where the running program is and where an install goes, as the front end
// finds them. Each platform's steps read the fields they need.
struct InstallContext {
  std::string programPath;    // the running executable, absolute, UTF-8
  std::string homeDir;        // Linux: the user's home folder
  std::string desktopDir;     // Linux: the user's desktop folder (Windows asks the shell)
  std::string dataHomeDir;    // Linux: ~/.local/share; empty: derived from homeDir
  std::string iconPng;        // Linux: the window icon as PNG bytes; empty: no icon file
  std::string productName{};  // Windows: ProductName of its version information
};

// A step of the installation that failed, and the system's reason.
struct InstallFailure {
  std::string step;    // what failed, naming the file or folder where there is one
  std::string reason;  // the system's description of the error
};

// The platform's side of the offer.
class InstallSteps {
 public:
  virtual ~InstallSteps() = default;
  // Whether the offer is made to the program `context` describes.
  virtual bool ShouldOffer(const InstallContext& context) const = 0;
  // The offer's question, naming the folder the program is copied to.
  virtual std::string OfferText(const InstallContext& context) const = 0;
  // Runs the installation's steps in their order and stops at the first that
  // fails.
  virtual std::optional<InstallFailure> Install(const InstallContext& context) = 0;
};

// The offer's question for a copy into `installFolder`.
inline std::string OfferText(std::string_view installFolder) {
  std::string text(install_texts::kOfferBefore);
  text += installFolder;
  text += install_texts::kOfferAfter;
  return text;
}

// The text of the box that reports a failed installation.
inline std::string InstallFailureText(const InstallFailure& failure) {
  std::string text(install_texts::kFailedHeading);
  text += failure.step;
  text += "\n";
  text += install_texts::kReasonLabel;
  text += failure.reason;
  return text;
}

}  // namespace veltrano
