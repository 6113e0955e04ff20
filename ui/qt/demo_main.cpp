// veltrano-demo: the real window on drives given by hand, for demonstrations
// and the end-to-end tests. No install offer is made.
//
//   veltrano-demo [--log FILE] LETTER:TYPE:PATH...
//   veltrano-demo --log /tmp/log.txt E:removable:/tmp/fake-usb
//
// With --log, the scan log is written to FILE (UTF-8, one line per log line)
// each time a command ends and when the window closes. Once shown, the window
// prints where each menu command sits on the screen, one line per command:
// "menu NAME X Y WIDTH HEIGHT".
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "commands/form1.h"
#include "platform/fs/drive_table.h"
#include "platform/fs/linux_file_system.h"
#include "ui/qt/form_commands.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_window_host.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: veltrano-demo [--log FILE] LETTER:TYPE:PATH...\n"
               "       TYPE is removable, fixed, remote, cdrom or ramdisk\n"
               "example: veltrano-demo E:removable:/tmp/fake-usb\n");
  return 2;
}

void SaveLog(const veltrano::ScanLog& log, const QString& path) {
  if (path.isEmpty()) return;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  for (const std::string& line : log.Lines()) {
    file.write(line.data(), static_cast<qint64>(line.size()));
    file.write("\n", 1);
  }
  file.commit();
}

void PrintMenuPlaces(const veltrano::qt::MainWindow& window) {
  QMenuBar* bar = window.menuBar();
  for (QAction* action : bar->actions()) {
    const QRect rect = bar->actionGeometry(action);
    const QPoint global = bar->mapToGlobal(rect.topLeft());
    std::printf("menu %s %d %d %d %d\n", action->objectName().toLatin1().constData(), global.x(),
                global.y(), rect.width(), rect.height());
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Veltrano"));

  QString logPath;
  std::vector<std::string> descs;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QStringLiteral("--log") && i + 1 < args.size()) {
      logPath = args[++i];
    } else if (args[i].startsWith(QStringLiteral("-"))) {
      return Usage();
    } else {
      descs.push_back(args[i].toStdString());
    }
  }
  if (descs.empty()) return Usage();
  std::string error;
  auto drives = veltrano::fs::ParseDriveTable(descs, &error);
  if (!drives) {
    std::fprintf(stderr, "veltrano-demo: %s\n", error.c_str());
    return Usage();
  }

  veltrano::qt::QtWindowHost host;
  veltrano::fs::LinuxFileSystem fileSystem(std::move(*drives));
  veltrano::Form1 form(fileSystem, host);

  // Every command saves the log when it ends; closing the window saves it too.
  veltrano::qt::CommandHandlers commands = veltrano::qt::FormCommands(form);
  for (auto* handler :
       {&commands.menuqim, &commands.menukhdd, &commands.reudir, &commands.menuclean}) {
    *handler = [run = *handler, &form, logPath] {
      run();
      SaveLog(form.List1, logPath);
    };
  }
  host.SetBeforeExit([&form, logPath] { SaveLog(form.List1, logPath); });

  veltrano::qt::MainWindow window(form, std::move(commands));
  QApplication::setWindowIcon(window.windowIcon());
  host.SetDialogParent(&window);
  window.show();
  QTimer::singleShot(0, &window, [&window] { PrintMenuPlaces(window); });
  return QApplication::exec();
}
