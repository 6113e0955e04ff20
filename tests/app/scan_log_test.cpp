// The scan log: line operations, the selection as lines move, what observers
// are told, and sizes beyond 16-bit line numbers.
#include "app/scan_log.h"

#include <gtest/gtest.h>

namespace veltrano {
namespace {

class Recorder : public ScanLogObserver {
 public:
  std::vector<std::string> events;
  void OnCleared() override { events.push_back("clear"); }
  void OnInserted(int first, int count) override {
    events.push_back("insert " + std::to_string(first) + "+" + std::to_string(count));
  }
  void OnRemoved(int index) override { events.push_back("remove " + std::to_string(index)); }
  void OnReplaced(int index) override { events.push_back("replace " + std::to_string(index)); }
  void OnSelected(int index) override { events.push_back("select " + std::to_string(index)); }
};

ScanLog Abc() {
  ScanLog log;
  for (const char* s : {"a", "b", "c"}) log.Append(s);
  return log;
}

TEST(ScanLog, InsertAndRemoveMoveLinesAndTheSelection) {
  ScanLog log = Abc();
  log.Select(1);
  log.InsertAt(0, "x");  // the selected line moves down with its text
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"x", "a", "b", "c"}));
  EXPECT_EQ(log.SelectedIndex(), 2);
  EXPECT_EQ(log.SelectedText(), "b");
  log.InsertAt(4, "end");  // at the count: appended
  log.RemoveAt(0);
  EXPECT_EQ(log.SelectedText(), "b");
  log.RemoveAt(1);  // the selected line itself: no selection
  EXPECT_EQ(log.SelectedIndex(), ScanLog::kNoSelection);
  EXPECT_EQ(log.SelectedText(), "");
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"a", "c", "end"}));
}

TEST(ScanLog, OutOfRangeOperationsChangeNothing) {
  ScanLog log = Abc();
  log.Select(2);
  Recorder rec;
  log.AddObserver(&rec);
  log.InsertAt(-1, "x");
  log.InsertAt(4, "x");
  log.RemoveAt(3);
  log.RemoveAt(-1);
  log.ReplaceAt(3, "x");
  log.Select(3);
  log.Select(-1);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(log.SelectedIndex(), 2);
  EXPECT_TRUE(rec.events.empty());
  log.RemoveObserver(&rec);
}

TEST(ScanLog, ReplaceIsInsertThenRemoveInOneStep) {
  ScanLog log = Abc();
  log.Select(1);
  ScanLog viaInsert = Abc();
  viaInsert.InsertAt(1, "删除 b");
  viaInsert.RemoveAt(2);
  log.ReplaceAt(1, "删除 b");
  EXPECT_EQ(log.Lines(), viaInsert.Lines());
  EXPECT_EQ(log.SelectedText(), "删除 b");
}

TEST(ScanLog, ObserversHearEveryChangeInOrder) {
  ScanLog log;
  Recorder one, two;
  log.AddObserver(&one);
  log.AddObserver(&two);
  log.Append("a");
  log.Append("b");
  log.InsertAt(1, "x");
  log.Select(2);
  log.ReplaceAt(0, "y");
  log.RemoveAt(1);
  log.RemoveObserver(&two);
  log.Clear();
  const std::vector<std::string> all = {"insert 0+1", "insert 1+1", "insert 1+1", "select 2",
                                        "replace 0",  "remove 1",   "clear"};
  EXPECT_EQ(one.events, all);
  EXPECT_EQ(two.events, std::vector<std::string>(all.begin(), all.end() - 1));
  EXPECT_EQ(log.Count(), 0);
  EXPECT_EQ(log.SelectedIndex(), ScanLog::kNoSelection);
}

TEST(ScanLog, KeepsWorkingPastThe16BitLineNumbers) {
  ScanLog log;
  for (int i = 0; i < 70000; ++i) log.Append(std::to_string(i));
  log.Select(log.Count() - 1);
  EXPECT_EQ(log.SelectedText(), "69999");
  log.InsertAt(40000, "x");
  EXPECT_EQ(log.Line(40000), "x");
  EXPECT_EQ(log.Line(40001), "40000");
  EXPECT_EQ(log.SelectedIndex(), 70000);
  log.RemoveAt(32768);
  EXPECT_EQ(log.Line(32768), "32769");
  EXPECT_EQ(log.Count(), 70000);
}

}  // namespace
}  // namespace veltrano
