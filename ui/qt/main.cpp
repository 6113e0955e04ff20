// Veltrano: the Qt application, the host's drives, the main window Form1.
#include <QApplication>
#include <QIcon>

#include "app/form1.h"
#include "platform/fs/linux_file_system.h"
#include "ui/qt/form_commands.h"
#include "ui/qt/install_context.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_window_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Veltrano"));

  veltrano::qt::QtWindowHost host;
  // The host's real mounts as drive letters: / is C:, the others follow.
  veltrano::fs::LinuxFileSystem fileSystem;
  veltrano::Form1 form(fileSystem, host);
  veltrano::qt::MainWindow window(form, veltrano::qt::FormCommands(form));
  QApplication::setWindowIcon(window.windowIcon());
  host.SetDialogParent(&window);

  // An accepted install offer ends the program here, before the window shows.
  form.Form_Load(veltrano::qt::CurrentInstallContext());

  window.show();
  return QApplication::exec();
}
