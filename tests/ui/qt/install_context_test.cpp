// The install offer's context as the running program takes it from its
// environment. HOME and the XDG folders point into a temporary folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "ui/qt/install_context.h"

namespace veltrano::qt {
namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

TEST(InstallContextTest, DesktopFolderFollowsTheUsersDirectoriesElseDesktop) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  ScopedEnv homeEnv("HOME", home.path().toUtf8());
  ScopedEnv config("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());

  EXPECT_EQ(DesktopFolder(home.path().toStdString()), home.path().toStdString() + "/Desktop");

  ASSERT_TRUE(QDir().mkpath(home.path() + "/config"));
  QFile dirs(home.path() + "/config/user-dirs.dirs");
  ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
  dirs.write("XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  dirs.close();
  EXPECT_EQ(DesktopFolder(home.path().toStdString()), (home.path() + "/桌面").toStdString());
}

TEST(InstallContextTest, ContextNamesThisProgramTheHomeAndTheIcon) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  ScopedEnv homeEnv("HOME", home.path().toUtf8());
  ScopedEnv config("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  ScopedEnv data("XDG_DATA_HOME", (home.path() + "/data").toUtf8());

  const InstallContext context = CurrentInstallContext();
  EXPECT_EQ(context.programPath, QCoreApplication::applicationFilePath().toStdString());
  EXPECT_EQ(context.homeDir, home.path().toStdString());
  if (!ShouldOfferInstall(context)) GTEST_SKIP() << "the tests run from an install location";
  EXPECT_EQ(context.desktopDir, home.path().toStdString() + "/Desktop");
  EXPECT_EQ(context.dataHomeDir, home.path().toStdString() + "/data");
  const QImage icon = QImage::fromData(QByteArray::fromStdString(context.iconPng), "PNG");
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.size(), QSize(32, 32));
}

}  // namespace
}  // namespace veltrano::qt
