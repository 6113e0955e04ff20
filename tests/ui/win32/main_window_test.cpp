// Form1 on Windows: the layout, the menu bar and its captions, the
// controls' models on screen.
#include "ui/win32/main_window.h"

#include <gtest/gtest.h>

#include <string>

#include "app/form1_texts.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/headless_window_host.h"
#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/anigif/gif_control_window.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace veltrano::win32 {
namespace {

HWND W(intptr_t h) {
  return reinterpret_cast<HWND>(h);
}

std::string WindowText(intptr_t h) {
  wchar_t buffer[512] = {};
  GetWindowTextW(W(h), buffer, 512);
  return Narrow(buffer);
}

RECT ChildRect(intptr_t parent, intptr_t child) {
  RECT r{};
  GetWindowRect(W(child), &r);
  MapWindowPoints(nullptr, W(parent), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    drives_.AddDrive('C', fs::kDriveFixed);
    form_ = std::make_unique<Form1>(drives_, host_);
    window_ = std::make_unique<MainWindow>(
        *form_, CommandHandlers{[this] { ++qim_; }, nullptr, nullptr, [this] { ++clean_; }});
    ASSERT_TRUE(window_->Create());
    window_->Show(SW_SHOWNORMAL);
    ASSERT_EQ(window_->Dpi(), 96) << "the layout figures below are for 96 dots per inch";
  }

  fs::MemoryFileSystem drives_;
  host::HeadlessWindowHost host_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<MainWindow> window_;
  int qim_ = 0, clean_ = 0;
};

TEST_F(MainWindowTest, CaptionClientAreaAndControlPlaces) {
  EXPECT_EQ(WindowText(window_->Handle()), "Veltrano9.1正式版");
  RECT client{};
  GetClientRect(W(window_->Handle()), &client);
  EXPECT_EQ(client.right, 449);
  EXPECT_EQ(client.bottom, 324);
  const RECT list = ChildRect(window_->Handle(), window_->List1());
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.top, 64);
  EXPECT_EQ(list.right - list.left, 450);
  EXPECT_EQ(list.bottom - list.top, 240);
  const RECT strip = ChildRect(window_->Handle(), window_->Picture1());
  EXPECT_EQ(strip.top, 303);
  EXPECT_EQ(strip.right - strip.left, 449);
  EXPECT_EQ(strip.bottom - strip.top, 21);
  const RECT label = ChildRect(window_->Handle(), window_->Label1());
  EXPECT_EQ(label.left, 8);
  EXPECT_EQ(label.top, 267);
  const RECT banner = ChildRect(window_->Handle(), window_->Banner()->Handle());
  EXPECT_EQ(banner.right - banner.left, 450);
  EXPECT_EQ(banner.bottom - banner.top, 65);
  // The list covers the label: the point of the label belongs to the list.
  POINT p{label.left + 2, label.top + 2};
  EXPECT_EQ(ChildWindowFromPointEx(W(window_->Handle()), p, CWP_SKIPINVISIBLE),
            W(window_->List1()));
}

TEST_F(MainWindowTest, SixMenuCommandsInOrderWithoutSubmenusOrAccessKeys) {
  HMENU menu = GetMenu(W(window_->Handle()));
  ASSERT_EQ(menu, reinterpret_cast<HMENU>(window_->Menu()));
  ASSERT_EQ(GetMenuItemCount(menu), 6);
  const char* captions[] = {"U盘杀毒", "硬盘杀毒", "U盘修复", "磁盘清理", "最新帮助", "主页留言"};
  for (int i = 0; i < 6; ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    EXPECT_EQ(Narrow(text), captions[i]);
    EXPECT_EQ(GetSubMenu(menu, i), nullptr);
    EXPECT_EQ(std::wstring(text).find(L'&'), std::wstring::npos);
    EXPECT_EQ(GetMenuItemID(menu, i), static_cast<UINT>(kMenuQim + i));
  }
  EXPECT_EQ(MenuText("a&b"), L"a&&b");
}

TEST_F(MainWindowTest, MenuCommandsReachTheHandlersAndTheCleanCaptionFollowsTheModel) {
  SendMessageW(W(window_->Handle()), WM_COMMAND, MAKEWPARAM(kMenuQim, 0), 0);
  SendMessageW(W(window_->Handle()), WM_COMMAND, MAKEWPARAM(kMenuClean, 0), 0);
  SendMessageW(W(window_->Handle()), WM_COMMAND, MAKEWPARAM(kMenuHelp, 0), 0);
  SendMessageW(W(window_->Handle()), WM_COMMAND, MAKEWPARAM(kMenuNet, 0), 0);
  EXPECT_EQ(qim_, 1);
  EXPECT_EQ(clean_, 1);
  ASSERT_EQ(host_.OpenedUrls().size(), 2u);
  EXPECT_EQ(host_.OpenedUrls()[0], texts::kHelpPageUrl);
  EXPECT_EQ(host_.OpenedUrls()[1], texts::kHomePageUrl);

  form_->menuclean.SetCaption(texts::kMenuCleanStop);
  wchar_t text[64] = {};
  GetMenuStringW(GetMenu(W(window_->Handle())), kMenuClean, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(Narrow(text), "停  止");
  form_->menuclean.SetCaption(texts::kMenuClean);
  GetMenuStringW(GetMenu(W(window_->Handle())), kMenuClean, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(Narrow(text), "磁盘清理");
}

TEST_F(MainWindowTest, StartsWithTheIntroductionLabelAndEmptyStrip) {
  EXPECT_EQ(SendMessageW(W(window_->List1()), LVM_GETITEMCOUNT, 0, 0), 17);
  EXPECT_EQ(WindowText(window_->Label1()), "label1");
  EXPECT_EQ(WindowText(window_->Picture1()), "");
  form_->Picture1.Print("正在查找C:\\temp");
  EXPECT_EQ(WindowText(window_->Picture1()), "正在查找C:\\temp");
  form_->Label1.SetCaption(std::string("name\0rest", 9));
  EXPECT_EQ(WindowText(window_->Label1()), "name");
  // The list and the strip use 宋体 10.5 pt (14 pixels at 96 dots per inch), GB2312.
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(W(window_->List1()), WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(font, sizeof(lf), &lf), 0);
  EXPECT_EQ(Narrow(lf.lfFaceName), "宋体");
  EXPECT_EQ(lf.lfHeight, -14);
  EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  // The banner plays at run time.
  EXPECT_TRUE(window_->Banner()->UserMode());
  EXPECT_GE(window_->Banner()->Control().CurrentFrame(), 1);
}

TEST_F(MainWindowTest, ABannerClickOpensTheHomePage) {
  HWND banner = W(window_->Banner()->Handle());
  SendMessageW(banner, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 30));
  SendMessageW(banner, WM_LBUTTONUP, 0, MAKELPARAM(100, 30));
  ASSERT_EQ(host_.OpenedUrls().size(), 1u);
  EXPECT_EQ(host_.OpenedUrls()[0], texts::kHomePageUrl);
}

}  // namespace
}  // namespace veltrano::win32
