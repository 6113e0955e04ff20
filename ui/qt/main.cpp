// Veltrano: the Qt application, the host's drives, the main window Form1.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "app/install_offer_linux.h"
#include "commands/form1.h"
#include "platform/fs/linux_file_system.h"
#include "ui/qt/form_commands.h"
#include "ui/qt/install_context.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_window_host.h"
#include "veltrano_version.h"

namespace {

constexpr const char* kHelp =
    "usage: veltrano [--help | --version]\n"
    "\n"
    "Opens the Veltrano window, which sweeps removable and fixed drives for\n"
    "autorun worms, makes visible again the folders they hid and deletes junk\n"
    "files. Its commands are in its menu bar. The computer's mounts are its\n"
    "drives: / is C:, the other real mounts take D:, E:, ...\n"
    "\n"
    "  --help, -h  show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -display DISPLAY, ...) are also taken.\n";

// The window has no options of its own; these two answer on the terminal,
// before any display is needed.
bool AnswerInfoOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs("veltrano (Veltrano) " VELTRANO_VERSION "\n", stdout);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInfoOption(argc, argv)) return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Veltrano"));
  // Desktops match the window to its menu entry by this id.
  QGuiApplication::setDesktopFileName(QStringLiteral(VELTRANO_APP_ID));

  veltrano::qt::QtWindowHost host;
  // The host's real mounts as drive letters: / is C:, the others follow.
  veltrano::fs::LinuxFileSystem fileSystem;
  veltrano::Form1 form(fileSystem, host);
  veltrano::qt::MainWindow window(form, veltrano::qt::FormCommands(form));
  QApplication::setWindowIcon(window.windowIcon());
  host.SetDialogParent(&window);

  // An accepted install offer ends the program here, before the window shows.
  veltrano::LinuxInstallSteps installSteps;
  form.Form_Load(veltrano::qt::CurrentInstallContext(), installSteps);

  window.show();
  return QApplication::exec();
}
