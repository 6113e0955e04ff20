// The window host: message boxes answered by the test as a user would, the
// nested event pump, and the box styles the commands ask for.
#include "ui/win32/win32_window_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/ui/win32/win32_test_support.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

namespace veltrano::win32 {
namespace {

struct SeenBox {
  std::wstring text;
  int defaultId = 0;
  bool hasYes = false, hasNo = false, hasOk = false;
};

// Waits on another thread for the box with `caption`, reads it, and presses
// the button `pressId` as a click would.
std::thread AnswerBox(const std::wstring& caption, int pressId, SeenBox& seen,
                      std::atomic<bool>& found) {
  return std::thread([caption, pressId, &seen, &found] {
    for (int i = 0; i < 1000 && !found; ++i) {
      HWND box = FindWindowW(L"#32770", caption.c_str());
      if (box == nullptr) {
        Sleep(10);
        continue;
      }
      // The box is read once it is on screen with its focus set: the
      // default button is the one that has the focus when the box opens.
      auto shown = [box](int id) {
        HWND button = GetDlgItem(box, id);
        return button != nullptr && IsWindowVisible(button) != FALSE;
      };
      for (int wait = 0; wait < 200 && seen.defaultId == 0; ++wait) {
        Sleep(10);
        if (!IsWindowVisible(box)) continue;
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &gui) && gui.hwndFocus &&
            GetParent(gui.hwndFocus) == box) {
          seen.defaultId = GetDlgCtrlID(gui.hwndFocus);
        }
      }
      seen.hasYes = shown(IDYES);
      seen.hasNo = shown(IDNO);
      seen.hasOk = shown(IDOK);
      wchar_t text[512] = {};
      GetDlgItemTextW(box, 0xFFFF, text, 512);  // the static text of a message box
      seen.text = text;
      found = true;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(pressId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, pressId)));
    }
  });
}

TEST(Win32WindowHost, StylesCarryButtonsDefaultAndIcon) {
  host::MessageBoxRequest offer{"t", "c", host::MsgButtons::kYesNo, host::MsgIcon::kQuestion,
                                host::MsgAnswer::kYes};
  EXPECT_EQ(MessageBoxStyle(offer), static_cast<uint32_t>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1));
  offer.defaultButton = host::MsgAnswer::kNo;
  EXPECT_EQ(MessageBoxStyle(offer), static_cast<uint32_t>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  host::MessageBoxRequest welcome{"t", "c", host::MsgButtons::kOk, host::MsgIcon::kInformation,
                                  host::MsgAnswer::kOk};
  EXPECT_EQ(MessageBoxStyle(welcome), static_cast<uint32_t>(MB_OK | MB_ICONINFORMATION));
  welcome.icon = host::MsgIcon::kCritical;
  EXPECT_EQ(MessageBoxStyle(welcome), static_cast<uint32_t>(MB_OK | MB_ICONHAND));
  welcome.icon = host::MsgIcon::kExclamation;
  EXPECT_EQ(MessageBoxStyle(welcome), static_cast<uint32_t>(MB_OK | MB_ICONEXCLAMATION));
}

TEST(Win32WindowHost, YesNoBoxAnsweredNoReturnsNoAndShowsItsText) {
  Win32WindowHost host;
  SeenBox seen;
  std::atomic<bool> found{false};
  std::thread answer = AnswerBox(L"推荐安装", IDNO, seen, found);
  const host::MsgAnswer got =
      host.MessageBox({"是否安装？", "推荐安装", host::MsgButtons::kYesNo, host::MsgIcon::kQuestion,
                       host::MsgAnswer::kYes});
  answer.join();
  ASSERT_TRUE(found);
  EXPECT_EQ(got, host::MsgAnswer::kNo);
  EXPECT_EQ(seen.defaultId, IDYES);
  EXPECT_TRUE(seen.hasYes && seen.hasNo);
  EXPECT_EQ(Narrow(seen.text), "是否安装？");
}

TEST(Win32WindowHost, YesAnswerAndOkBox) {
  Win32WindowHost host;
  {
    SeenBox seen;
    std::atomic<bool> found{false};
    std::thread answer = AnswerBox(L"问一下", IDYES, seen, found);
    EXPECT_EQ(host.MessageBox({"x", "问一下", host::MsgButtons::kYesNo, host::MsgIcon::kQuestion,
                               host::MsgAnswer::kNo}),
              host::MsgAnswer::kYes);
    answer.join();
    EXPECT_EQ(seen.defaultId, IDNO);
  }
  {
    SeenBox seen;
    std::atomic<bool> found{false};
    std::thread answer = AnswerBox(L"欢迎使用", IDOK, seen, found);
    EXPECT_EQ(host.MessageBox({"安装完毕！请从桌面运行Veltrano!", "欢迎使用",
                               host::MsgButtons::kOk, host::MsgIcon::kInformation,
                               host::MsgAnswer::kOk}),
              host::MsgAnswer::kOk);
    answer.join();
    ASSERT_TRUE(found);
    EXPECT_TRUE(seen.hasOk);
    EXPECT_FALSE(seen.hasYes);
    EXPECT_EQ(Narrow(seen.text), "安装完毕！请从桌面运行Veltrano!");
  }
}

TEST(Win32WindowHost, DoEventsDispatchesWhatIsWaitingAndReturns) {
  testing::TestWindow window;
  HWND hwnd = reinterpret_cast<HWND>(window.Handle());
  static int seen = 0;
  seen = 0;
  // A window procedure that counts one private message.
  auto proc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_APP + 5) {
      seen += static_cast<int>(wp);
      return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
  };
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC,
                    reinterpret_cast<LONG_PTR>(static_cast<WNDPROC>(proc)));
  PostMessageW(hwnd, WM_APP + 5, 2, 0);
  PostMessageW(hwnd, WM_APP + 5, 3, 0);
  EXPECT_EQ(seen, 0);
  Win32WindowHost host;
  host.DoEvents();
  EXPECT_EQ(seen, 5);
  // Nothing waiting: it returns at once.
  host.DoEvents();
  EXPECT_EQ(seen, 5);
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
}

TEST(Win32WindowHost, OpenUrlGoesToTheOpener) {
  Win32WindowHost host;
  std::string opened;
  host.SetUrlOpener([&](std::string_view url) { opened = std::string(url); });
  host.OpenUrl("https://veltrano.example.com/");
  EXPECT_EQ(opened, "https://veltrano.example.com/");
}

}  // namespace
}  // namespace veltrano::win32
