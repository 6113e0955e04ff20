// List1 on Windows: the virtual list view follows the scan log's changes,
// hands out its lines as the list draws them, and keeps a million lines.
#include "ui/win32/scan_log_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace veltrano::win32 {
namespace {

using testing::PumpFor;
using testing::TestWindow;

// The list view's own answers, as a probe in another process gets them.
int ItemCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ItemText(HWND list, int index) {
  wchar_t buffer[1024] = {};
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buffer;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return Narrow(buffer);
}

int Selected(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// A parent that passes the list's notifications to it, as Form1 does.
class ListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    parent_ = reinterpret_cast<HWND>(window_.Handle());
    SetWindowLongPtrW(parent_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProc));
    view_ = std::make_unique<ScanLogList>(log_);
    ASSERT_TRUE(view_->Create(window_.Handle(), 0, 0, 450, 240,
                              reinterpret_cast<intptr_t>(GetStockObject(DEFAULT_GUI_FONT))));
    list_ = reinterpret_cast<HWND>(view_->Handle());
  }
  void TearDown() override {
    view_.reset();
    SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
  }

  static LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<ListFixture*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (m == WM_NOTIFY && self != nullptr && self->view_) {
      intptr_t result = 0;
      if (self->view_->OnNotify(lp, result)) return result;
    }
    return DefWindowProcW(w, m, wp, lp);
  }

  TestWindow window_;
  HWND parent_ = nullptr;
  ScanLog log_;
  std::unique_ptr<ScanLogList> view_;
  HWND list_ = nullptr;
};

TEST_F(ListFixture, FollowsAppendsInsertsRemovalsAndClears) {
  log_.Append("一、功能介绍：");
  log_.Append("second");
  log_.Append("third");
  EXPECT_EQ(ItemCount(list_), 3);
  EXPECT_EQ(ItemText(list_, 0), "一、功能介绍：");
  log_.InsertAt(1, "inserted");
  EXPECT_EQ(ItemCount(list_), 4);
  EXPECT_EQ(ItemText(list_, 1), "inserted");
  EXPECT_EQ(ItemText(list_, 2), "second");
  log_.RemoveAt(2);
  EXPECT_EQ(ItemText(list_, 2), "third");
  log_.ReplaceAt(0, "    E:\\autorun.inf 已清除！");
  EXPECT_EQ(ItemText(list_, 0), "    E:\\autorun.inf 已清除！");
  log_.Select(2);
  EXPECT_EQ(Selected(list_), 2);
  log_.Clear();
  EXPECT_EQ(ItemCount(list_), 0);
  EXPECT_EQ(Selected(list_), -1);
}

TEST_F(ListFixture, AMillionLinesFollowTheSelectionToTheEnd) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (int i = 0; i < 1000000; ++i) {
    log_.Append("D:\\temp\\junk" + std::to_string(i) + ".tmp");
    // The junk search selects every line it appends.
    log_.Select(log_.Count() - 1);
    if (i % 50000 == 0) PumpFor(0);
  }
  const double fillMs =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  EXPECT_EQ(ItemCount(list_), 1000000);
  EXPECT_EQ(Selected(list_), 999999);
  EXPECT_EQ(ItemText(list_, 999999), "D:\\temp\\junk999999.tmp");
  // The last line is in view.
  const int top = static_cast<int>(SendMessageW(list_, LVM_GETTOPINDEX, 0, 0));
  const int perPage = static_cast<int>(SendMessageW(list_, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_LE(top, 999999);
  EXPECT_GE(top + perPage, 999999);

  // Scrolling page by page through the middle of the list and drawing each page.
  const auto scrollStart = Clock::now();
  SendMessageW(list_, LVM_ENSUREVISIBLE, 0, FALSE);
  for (int page = 0; page < 200; ++page) {
    SendMessageW(list_, WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(list_);
  }
  SendMessageW(list_, LVM_ENSUREVISIBLE, 500000, FALSE);
  UpdateWindow(list_);
  const double scrollMs =
      std::chrono::duration<double, std::milli>(Clock::now() - scrollStart).count();
  EXPECT_EQ(ItemText(list_, 500000), "D:\\temp\\junk500000.tmp");
  std::printf("[ million lines ] append+select %.0f ms, 200 page scrolls + jump %.1f ms (%.2f ms each)\n",
              fillMs, scrollMs, scrollMs / 201.0);

  // The cleanup's deletion pass: every line selected, read back and replaced
  // in place, with no message handled until it ends; then the list shows the
  // replaced lines and the last one selected.
  const auto replaceStart = Clock::now();
  for (int k = 0; k < 1000000; ++k) {
    log_.Select(k);
    log_.ReplaceAt(k, "删除 " + log_.SelectedText());
  }
  PumpFor(0);
  const double replaceMs =
      std::chrono::duration<double, std::milli>(Clock::now() - replaceStart).count();
  EXPECT_EQ(ItemCount(list_), 1000000);
  EXPECT_EQ(Selected(list_), 999999);
  EXPECT_EQ(ItemText(list_, 0), "删除 D:\\temp\\junk0.tmp");
  EXPECT_EQ(ItemText(list_, 999999), "删除 D:\\temp\\junk999999.tmp");
  std::printf("[ million lines ] replace every line in place %.0f ms (%.0f ns each)\n", replaceMs,
              replaceMs * 1e6 / 1000000.0);
}

}  // namespace
}  // namespace veltrano::win32
