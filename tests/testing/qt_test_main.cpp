// Test entry for the widget tests: the QApplication is created here, after
// gtest has parsed its flags, and never while the tests are only listed.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString runtime = QDir::temp().filePath(QStringLiteral("veltrano-xdg-%1").arg(getuid()));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
  }
  ::testing::InitGoogleTest(&argc, argv);
  // Death tests start the binary afresh, which gives the child its own QApplication.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
