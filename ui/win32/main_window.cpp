#include "ui/win32/main_window.h"

#include <string>
#include <utility>

#include "anigif/banner_property_set.h"
#include "anigif/property_bag.h"
#include "app/form1_texts.h"
#include "ui/win32/anigif/gif_control_window.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/scan_log_list.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace veltrano::win32 {
namespace {

HWND AsWindow(intptr_t handle) {
  return reinterpret_cast<HWND>(handle);
}

// 10.5 points, the size of the list's and the status strip's font.
constexpr int kFontTenthPoints = 105;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                               WS_CLIPCHILDREN;

int SystemDpi() {
  // GetDpiForSystem exists from Windows 10 1607 on; older systems answer
  // through the screen's device context.
  using GetDpiFn = UINT(WINAPI*)();
  if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
    if (auto fn = reinterpret_cast<GetDpiFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForSystem")))) {
      if (const UINT dpi = fn()) return static_cast<int>(dpi);
    }
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->Handle() == 0) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

bool RegisterFormClass() {
  static const bool registered = [] {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FormProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClassName;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResourceId),
                                             IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResourceId),
                                               IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

void ShowText(ObservableText& model, intptr_t control) {
  SetWindowTextW(AsWindow(control), Widen(model.Text()).c_str());
  model.SetListener([control](const std::string& text) {
    SetWindowTextW(AsWindow(control), Widen(text).c_str());
  });
}

}  // namespace

std::wstring MenuText(std::string_view caption) {
  std::wstring text;
  for (wchar_t c : Widen(caption)) {
    if (c == L'&') text += L'&';
    text += c;
  }
  return text;
}

MainWindow::MainWindow(Form1& form, CommandHandlers commands)
    : form_(form), commands_(std::move(commands)) {}

MainWindow::~MainWindow() {
  form_.menuclean.SetListener(nullptr);
  form_.Label1.SetListener(nullptr);
  form_.Picture1.SetListener(nullptr);
  banner_.reset();
  list1_.reset();
  if (window_ != 0) {
    HWND window = AsWindow(window_);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = 0;
    DestroyWindow(window);
  }
  if (font_ != 0) DeleteObject(reinterpret_cast<HFONT>(font_));
}

int MainWindow::Scale(int pixels) const {
  return MulDiv(pixels, dpi_, 96);
}

intptr_t MainWindow::List1() const {
  return list1_ ? list1_->Handle() : 0;
}

bool MainWindow::Create() {
  if (!RegisterFormClass()) return false;
  dpi_ = SystemDpi();

  HMENU bar = CreateMenu();
  const std::pair<int, std::string_view> commands[] = {
      {kMenuQim, texts::kMenuQim},       {kMenuKhdd, texts::kMenuKhdd},
      {kMenuReudir, texts::kMenuReudir}, {kMenuClean, form_.menuclean.Caption()},
      {kMenuHelp, texts::kMenuHelp},     {kMenuNet, texts::kMenuNet},
  };
  for (const auto& [id, caption] : commands) {
    AppendMenuW(bar, MF_STRING, static_cast<UINT_PTR>(id), MenuText(caption).c_str());
  }
  menu_ = reinterpret_cast<intptr_t>(bar);

  RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
  const std::wstring caption = Widen(texts::kWindowCaption);
  HWND window = CreateWindowExW(0, kFormClassName, caption.c_str(), kWindowStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, bar,
                                GetModuleHandleW(nullptr), this);
  if (window == nullptr) return false;
  window_ = reinterpret_cast<intptr_t>(window);
  FitClientArea();

  font_ = reinterpret_cast<intptr_t>(
      CreateFontW(-MulDiv(kFontTenthPoints, dpi_, 720), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                  GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
  const HINSTANCE instance = GetModuleHandleW(nullptr);

  // Label1 lies inside List1's area and is covered by it: it is created
  // first, below the list.
  HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                                                      SS_LEFT | SS_NOPREFIX,
                               Scale(kLabel1Box.x), Scale(kLabel1Box.y), Scale(kLabel1Box.width),
                               Scale(kLabel1Box.height), window, nullptr, instance, nullptr);
  label1_ = reinterpret_cast<intptr_t>(label);
  ShowText(form_.Label1, label1_);

  list1_ = std::make_unique<ScanLogList>(form_.List1);
  list1_->Create(window_, Scale(kList1Box.x), Scale(kList1Box.y), Scale(kList1Box.width),
                 Scale(kList1Box.height), font_);
  SetWindowPos(AsWindow(list1_->Handle()), HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  // Picture1: one line of text at its top left, sunken like a picture box.
  HWND strip = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFTNOWORDWRAP |
                                   SS_NOPREFIX,
                               Scale(kPicture1Box.x), Scale(kPicture1Box.y),
                               Scale(kPicture1Box.width), Scale(kPicture1Box.height), window,
                               nullptr, instance, nullptr);
  picture1_ = reinterpret_cast<intptr_t>(strip);
  SendMessageW(strip, WM_SETFONT, static_cast<WPARAM>(font_), FALSE);
  ShowText(form_.Picture1, picture1_);

  form_.menuclean.SetListener(
      [this](const std::string& text) { SetMenuCaption(kMenuClean, text); });

  // The banner: the GIF control with the property set stored for it. It
  // lies under List1, which starts one pixel above the banner's bottom edge.
  banner_ = std::make_unique<GifControlWindow>();
  if (banner_->Create(window_, Scale(kBannerBox.x), Scale(kBannerBox.y), Scale(kBannerBox.width),
                      Scale(kBannerBox.height))) {
    SetWindowPos(AsWindow(banner_->Handle()), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    banner_->SetTooltip(std::string(texts::kBannerTooltip));
    banner_->Control().Events().Click = [this] { BannerClicked(); };
    // A set that cannot be read leaves the banner empty; the window works without it.
    if (auto bag = anigif::PropertyBag::Parse(anigif::BannerPropertySet())) {
      banner_->Control().ReadProperties(*bag);
    }
  }
  return true;
}

void MainWindow::FitClientArea() {
  // A menu bar that wraps onto a second line takes its height from the
  // client area: grow the frame until the client area has its size.
  HWND window = AsWindow(window_);
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT client{};
    GetClientRect(window, &client);
    const int dw = Scale(kClientWidth) - (client.right - client.left);
    const int dh = Scale(kClientHeight) - (client.bottom - client.top);
    if (dw == 0 && dh == 0) return;
    RECT outer{};
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + dw,
                 outer.bottom - outer.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::Show(int showCommand) {
  ShowWindow(AsWindow(window_), showCommand);
  UpdateWindow(AsWindow(window_));
}

void MainWindow::SetMenuCaption(int id, std::string_view caption) {
  const std::wstring text = MenuText(caption);
  ModifyMenuW(reinterpret_cast<HMENU>(menu_), static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING,
              static_cast<UINT_PTR>(id), text.c_str());
  DrawMenuBar(AsWindow(window_));
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case kMenuQim:
      if (commands_.menuqim) commands_.menuqim();
      break;
    case kMenuKhdd:
      if (commands_.menukhdd) commands_.menukhdd();
      break;
    case kMenuReudir:
      if (commands_.reudir) commands_.reudir();
      break;
    case kMenuClean:
      if (commands_.menuclean) commands_.menuclean();
      break;
    case kMenuHelp:
      form_.mhelp_Click();
      break;
    case kMenuNet:
      form_.menunet_Click();
      break;
    default:
      break;
  }
}

intptr_t MainWindow::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  HWND window = AsWindow(window_);
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && lParam == 0) {
        OnCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      intptr_t result = 0;
      if (list1_ && list1_->OnNotify(lParam, result)) return result;
      break;
    }
    case WM_CTLCOLORSTATIC:
      // The status strip is white like a picture box; Label1 keeps the face colour.
      if (reinterpret_cast<intptr_t>(lParam) == picture1_) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<intptr_t>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CLOSE:
      // Closing the window ends the program at once, also in the middle of a
      // running command: no confirmation, nothing saved.
      form_.Form_Unload();
    case WM_DESTROY:  // not reached from WM_CLOSE: Form_Unload does not return
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace veltrano::win32
