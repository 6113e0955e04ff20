// The self-install offer as Linux users know it.
//
// The running executable is copied into the user's program folder
// (~/.local/bin) under its own file name, the icon into the user's icon theme
// folder and a desktop entry "Veltrano.desktop" pointing at the copy onto the
// desktop. No offer is made to a program that runs from the install folder or
// from a system location.
//
// The decision and the file names are pure functions of the paths in
// InstallContext; the files are written with the standard library's
// file-system functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/install_offer.h"

namespace veltrano {

// The files an accepted offer writes.
struct InstallPlan {
  std::string installFolder;     // ~/.local/bin
  std::string installedProgram;  // ~/.local/bin/<the executable's file name>
  std::string desktopEntry;      // <desktop>/Veltrano.desktop
  std::string iconFile;          // <data>/icons/hicolor/32x32/apps/veltrano.png, or empty
};

inline constexpr std::string_view kDesktopEntryName = "Veltrano.desktop";

// The folder holding the running executable, without a trailing '/'
// (except for the root folder itself).
std::string ProgramFolder(std::string_view programPath);

// True when the offer is to be made: the program runs neither from the
// install folder (or a folder inside it) nor from a system location (/usr,
// /opt and what lies inside them). No offer when the home folder or the
// program's path is unknown.
bool ShouldOfferInstall(const InstallContext& context);

InstallPlan PlanInstall(const InstallContext& context);

// The desktop entry that starts `installedProgram`.
std::string DesktopEntryText(std::string_view installedProgram, std::string_view iconFile);

// Copies the program, then writes the icon and the desktop entry, stopping at
// the first step that fails. An older copy or entry is replaced; a failed step
// leaves no partly written file behind it, and no entry is written without
// its copy.
std::optional<InstallFailure> RunInstall(const InstallContext& context, const InstallPlan& plan);

class LinuxInstallSteps : public InstallSteps {
 public:
  bool ShouldOffer(const InstallContext& context) const override;
  std::string OfferText(const InstallContext& context) const override;
  std::optional<InstallFailure> Install(const InstallContext& context) override;
};

}  // namespace veltrano
