// List1's model and view against the scan log: appends held back and shown
// together, edits of shown lines passed on at once, the selection following
// the log, and the view never reading past the log.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <random>

#include "app/scan_log.h"
#include "ui/qt/scan_log_view.h"
#include "tests/ui/qt/qt_test_support.h"

namespace veltrano::qt {
namespace {

using veltrano::testing::SettleEvents;

class ScanLogModelTest : public ::testing::Test {
 protected:
  ScanLogModelTest() : view_(log_) {
    view_.resize(450, 240);
    view_.show();
  }

  ScanLogModel* model() { return view_.LogModel(); }

  // The rows the view can read agree with the log, line for line.
  void ExpectRowsMatchLog() {
    ASSERT_LE(model()->rowCount(), log_.Count());
    for (int i = 0; i < model()->rowCount(); ++i) {
      ASSERT_EQ(model()->data(model()->index(i)).toString().toStdString(), log_.Line(i)) << i;
    }
  }

  ScanLog log_;
  ScanLogView view_;
};

TEST_F(ScanLogModelTest, AppendsWaitForTheEventLoopAndArriveInOneInsertion) {
  SettleEvents();
  QSignalSpy inserted(model(), &QAbstractItemModel::rowsInserted);
  for (int i = 0; i < 1000; ++i) log_.Append("C:\\tmp\\" + std::to_string(i) + ".tmp");
  EXPECT_EQ(model()->rowCount(), 0);
  EXPECT_TRUE(model()->HasPendingChanges());

  SettleEvents();
  EXPECT_FALSE(model()->HasPendingChanges());
  ASSERT_EQ(model()->rowCount(), 1000);
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 999);
  ExpectRowsMatchLog();
}

TEST_F(ScanLogModelTest, SelectionFollowsTheLogAndIsScrolledIntoView) {
  for (int i = 0; i < 500; ++i) {
    log_.Append("line " + std::to_string(i));
    log_.Select(log_.Count() - 1);
  }
  SettleEvents();
  const QModelIndex current = view_.currentIndex();
  ASSERT_TRUE(current.isValid());
  EXPECT_EQ(current.row(), 499);
  EXPECT_TRUE(view_.selectionModel()->isSelected(current));
  EXPECT_TRUE(view_.viewport()->rect().contains(view_.visualRect(current)));

  // The summary's selection two lines above the end, as the sweep leaves it.
  log_.Append("");
  log_.Append("");
  log_.Select(log_.Count() - 1);
  log_.Append("    共清除病毒数： 3个！");
  SettleEvents();
  EXPECT_EQ(view_.currentIndex().row(), 501);
  EXPECT_EQ(view_.selectionModel()->selectedRows().size(), 1);

  log_.Clear();
  SettleEvents();
  EXPECT_EQ(model()->rowCount(), 0);
  EXPECT_TRUE(view_.selectionModel()->selectedRows().isEmpty());
}

TEST_F(ScanLogModelTest, EditsOfShownLinesArriveAtOnceBeforeHeldBackAppends) {
  for (int i = 0; i < 10; ++i) log_.Append("f" + std::to_string(i));
  SettleEvents();
  log_.Append("tail a");  // held back
  log_.Append("tail b");

  log_.InsertAt(2, "删除 f2");
  log_.RemoveAt(3);
  log_.ReplaceAt(4, "删除 f4");
  EXPECT_EQ(model()->rowCount(), 10) << "the shown part changed in place";
  ExpectRowsMatchLog();

  log_.RemoveAt(log_.Count() - 1);  // a held-back line goes away unseen
  SettleEvents();
  EXPECT_EQ(model()->rowCount(), 11);
  ExpectRowsMatchLog();
}

TEST_F(ScanLogModelTest, LongLogsArePacedAndAClearedLogFollowsAtOnceAgain) {
  for (int i = 0; i < 200'000; ++i) log_.Append("C:\\tmp\\" + std::to_string(i));
  log_.Select(log_.Count() - 1);
  model()->Flush();
  EXPECT_GE(model()->FlushDelay(), 1) << "laying out 200000 rows is never free";
  EXPECT_EQ(view_.currentIndex().row(), 199'999);

  // The next line waits for the paced flush, then arrives with its selection.
  log_.Append("last");
  log_.Select(log_.Count() - 1);
  SettleEvents();
  EXPECT_EQ(model()->rowCount(), 200'001);
  EXPECT_EQ(view_.currentIndex().row(), 200'000);

  log_.Clear();
  EXPECT_EQ(model()->FlushDelay(), 0);
  log_.Append("new");
  QCoreApplication::processEvents();
  EXPECT_EQ(model()->rowCount(), 1);
}

TEST_F(ScanLogModelTest, RandomEditsNeverLetTheViewReadPastTheLog) {
  std::mt19937 random(20240607);
  for (int step = 0; step < 3000; ++step) {
    const int op = static_cast<int>(random() % 10);
    const int count = log_.Count();
    const int at = count == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(count));
    switch (op) {
      case 0:
      case 1:
      case 2:
        log_.Append("a" + std::to_string(step));
        break;
      case 3:
        log_.InsertAt(at, "i" + std::to_string(step));
        break;
      case 4:
        log_.RemoveAt(at);
        break;
      case 5:
        log_.ReplaceAt(at, "r" + std::to_string(step));
        break;
      case 6:
        log_.Select(at);
        break;
      case 7:
        if (random() % 40 == 0) log_.Clear();
        break;
      default:
        if (random() % 3 == 0) SettleEvents();
        break;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectRowsMatchLog()) << "step " << step;
  }
  SettleEvents();
  ASSERT_EQ(model()->rowCount(), log_.Count());
  ExpectRowsMatchLog();
  if (log_.SelectedIndex() != ScanLog::kNoSelection) {
    log_.Select(log_.SelectedIndex());
    SettleEvents();
    EXPECT_EQ(view_.currentIndex().row(), log_.SelectedIndex());
  }
}

}  // namespace
}  // namespace veltrano::qt
