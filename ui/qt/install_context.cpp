#include "ui/qt/install_context.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QProcess>

#include "ui/qt/resources.h"

namespace veltrano::qt {
namespace {

std::string EnvironmentPath(const char* name) {
  const QString value = qEnvironmentVariable(name);
  if (value.isEmpty() || !QDir::isAbsolutePath(value)) return {};
  return QDir::cleanPath(value).toStdString();
}

std::string IconPng() {
  EnsureResources();
  const QImage icon(QString::fromLatin1(kIconResource));
  if (icon.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!icon.save(&buffer, "PNG")) return {};
  return bytes.toStdString();
}

}  // namespace

std::string DesktopFolder(const std::string& homeDir) {
  QProcess lookup;
  lookup.start(QStringLiteral("xdg-user-dir"), {QStringLiteral("DESKTOP")});
  if (lookup.waitForFinished(5000) && lookup.exitStatus() == QProcess::NormalExit &&
      lookup.exitCode() == 0) {
    const QString folder = QString::fromLocal8Bit(lookup.readAllStandardOutput()).trimmed();
    if (QDir::isAbsolutePath(folder)) return QDir::cleanPath(folder).toStdString();
  } else {
    lookup.kill();
    lookup.waitForFinished(1000);
  }
  return homeDir + "/Desktop";
}

InstallContext CurrentInstallContext() {
  InstallContext context;
  context.programPath =
      QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath().toStdString();
  context.homeDir = EnvironmentPath("HOME");
  if (context.homeDir.empty()) context.homeDir = QDir::homePath().toStdString();
  // The rest is needed only for an install; the installed copy starts without it.
  if (!ShouldOfferInstall(context)) return context;
  context.desktopDir = DesktopFolder(context.homeDir);
  context.dataHomeDir = EnvironmentPath("XDG_DATA_HOME");
  context.iconPng = IconPng();
  return context;
}

}  // namespace veltrano::qt
