// The window with the real commands behind its menus, on a drive in memory:
// the cleanup's caption, count and confirmation as the user sees them, and a
// sweep click that stops a running search.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "commands/form1.h"
#include "tests/testing/memory_file_system.h"
#include "ui/qt/form_commands.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_window_host.h"
#include "ui/qt/scan_log_view.h"
#include "tests/ui/qt/qt_test_support.h"

namespace veltrano::qt {
namespace {

using veltrano::testing::AnswerNextBox;
using veltrano::testing::ClickButton;
using veltrano::testing::SeenBox;
using veltrano::testing::SettleEvents;

constexpr int kJunkFolders = 60;

class WindowCommandsTest : public ::testing::Test {
 protected:
  WindowCommandsTest() : form_(fs_, host_) {
    fs_.AddDrive('C', fs::kDriveFixed);
    for (int i = 0; i < kJunkFolders; ++i) {
      fs_.AddFile("C:\\data\\d" + std::to_string(i) + "\\found.chk", "junk");
    }
    fs_.AddFile("C:\\docs\\letter.txt", "keep");
    window_ = std::make_unique<MainWindow>(form_, FormCommands(form_));
    host_.SetDialogParent(window_.get());
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  void ClickMenu(const char* name) {
    QMenuBar* bar = window_->menuBar();
    QAction* action = window_->MenuAction(QString::fromLatin1(name));
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
  }

  // Runs `act` once, from the event loop, as soon as a command has set Busy
  // and has logged at least `lines` lines.
  void WhileBusy(std::function<void()> act, int lines = 0) {
    auto* watch = new QTimer(window_.get());
    watch->setInterval(0);
    QObject::connect(watch, &QTimer::timeout, watch, [this, watch, lines, act = std::move(act)] {
      if (form_.Busy != -1 || form_.List1.Count() < lines) return;
      watch->stop();
      watch->deleteLater();
      act();
    });
    watch->start();
  }

  int JunkLeft() {
    int left = 0;
    for (int i = 0; i < kJunkFolders; ++i) {
      left += fs_.Exists("C:\\data\\d" + std::to_string(i) + "\\found.chk") ? 1 : 0;
    }
    return left;
  }

  fs::MemoryFileSystem fs_;
  QtWindowHost host_;
  Form1 form_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(WindowCommandsTest, CleanupShowsStopWhileSearchingThenCountsAndAsks) {
  QAction* clean = window_->MenuAction(QStringLiteral("menuclean"));
  QString captionWhileSearching;
  WhileBusy([&] { captionWhileSearching = clean->text(); });
  SeenBox confirm;
  AnswerNextBox(&confirm, [](QMessageBox* box) { ClickButton(box, QStringLiteral("否(&N)")); });
  ClickMenu("menuclean");
  SettleEvents();

  EXPECT_EQ(captionWhileSearching, QStringLiteral("停  止"));
  EXPECT_EQ(clean->text(), QStringLiteral("磁盘清理"));
  ASSERT_TRUE(confirm.shown);
  EXPECT_EQ(confirm.caption, QStringLiteral("删除"));
  EXPECT_EQ(confirm.text, QStringLiteral("是否删除所有文件?"));
  EXPECT_EQ(confirm.icon, QMessageBox::Warning);
  EXPECT_EQ(confirm.defaultButton, QStringLiteral("是(&Y)"));
  EXPECT_EQ(window_->Picture1()->text(), QStringLiteral("查找到无用（垃圾）文件个数: 60"));
  EXPECT_EQ(window_->List1()->model()->rowCount(), kJunkFolders);
  EXPECT_EQ(JunkLeft(), kJunkFolders) << "declined: nothing is deleted";

  // Accepted: every listed file goes and its line says so.
  // The box that closes the cleanup is answered by a watcher started only
  // once the question is answered: two watchers waiting at once could take
  // each other's box.
  SeenBox done;
  AnswerNextBox(&confirm, [&done](QMessageBox* box) {
    ClickButton(box, QStringLiteral("是(&Y)"));
    AnswerNextBox(&done, [](QMessageBox* next) { ClickButton(next, QStringLiteral("确定")); });
  });
  ClickMenu("menuclean");
  SettleEvents();
  EXPECT_EQ(JunkLeft(), 0);
  EXPECT_TRUE(fs_.Exists("C:\\docs\\letter.txt"));
  ASSERT_TRUE(done.shown);
  EXPECT_EQ(done.text, QStringLiteral("磁盘清理完毕！"));
  EXPECT_EQ(done.caption, QStringLiteral("Veltrano"));
  const QAbstractItemModel* model = window_->List1()->model();
  ASSERT_EQ(model->rowCount(), kJunkFolders);
  for (int row = 0; row < model->rowCount(); ++row) {
    EXPECT_TRUE(
        model->data(model->index(row, 0)).toString().startsWith(QStringLiteral("删除 C:\\")))
        << row;
  }
}

TEST_F(WindowCommandsTest, CommandClickDuringTheSearchStopsItAndStartsNothing) {
  // Either sweep command, or the cleanup's own "停  止", stops the search.
  for (const char* stop : {"menuqim", "menukhdd", "menuclean"}) {
    SCOPED_TRACE(stop);
    WhileBusy([&] { ClickMenu(stop); }, 5);
    SeenBox confirm;
    AnswerNextBox(&confirm, [](QMessageBox* box) { ClickButton(box, QStringLiteral("否(&N)")); });
    ClickMenu("menuclean");
    SettleEvents();

    EXPECT_EQ(form_.Busy, 0);
    EXPECT_TRUE(confirm.shown) << "a stopped search still counts and asks";
    EXPECT_GE(form_.List1.Count(), 5);
    EXPECT_LT(form_.List1.Count(), kJunkFolders) << "the search went on after the stop";
    for (const std::string& line : form_.List1.Lines()) {
      EXPECT_EQ(line.rfind("C:\\data\\", 0), 0u) << "another command ran: " << line;
    }
    EXPECT_EQ(window_->MenuAction(QStringLiteral("menuclean"))->text(), QStringLiteral("磁盘清理"));
    EXPECT_EQ(JunkLeft(), kJunkFolders);
  }
}

}  // namespace
}  // namespace veltrano::qt
