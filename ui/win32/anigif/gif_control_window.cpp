#include "ui/win32/anigif/gif_control_window.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/win32/anigif/pointer_shapes.h"
#include "ui/win32/anigif/remote_reader.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/win32_window_host.h"
#include "ui/win32/windows_api.h"

#include <commctrl.h>
#include <windowsx.h>

namespace veltrano::win32 {
namespace {

constexpr wchar_t kClassName[] = L"VeltranoAniGIF";
constexpr int kHitAnswer = 3;
// Posted by the remote reader when a read has ended.
constexpr UINT kReadDoneMessage = WM_APP + 17;

HWND AsWindow(intptr_t handle) {
  return reinterpret_cast<HWND>(handle);
}

// Timers of every hosted control, by owning window and identifier. The
// identifier is the control's own address, so one form's controls never
// share a timer; the table takes each tick to the window that armed it.
std::map<std::pair<HWND, UINT_PTR>, GifControlWindow*>& TimerRoutes() {
  static std::map<std::pair<HWND, UINT_PTR>, GifControlWindow*> routes;
  return routes;
}

void CALLBACK RouteTimer(HWND window, UINT, UINT_PTR id, DWORD time) {
  auto& routes = TimerRoutes();
  const auto it = routes.find({window, id});
  if (it == routes.end()) {
    ::KillTimer(window, id);  // its control is gone
    return;
  }
  it->second->FireTimer(id, time);
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<GifControlWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->Handle() == 0) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

bool RegisterControlClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = nullptr;  // WM_SETCURSOR chooses
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
  }();
  return registered;
}

int16_t ButtonsOf(WPARAM keys) {
  int16_t value = 0;
  if (keys & MK_LBUTTON) value |= 1;
  if (keys & MK_RBUTTON) value |= 2;
  if (keys & MK_MBUTTON) value |= 4;
  return value;
}

int16_t ShiftOf(WPARAM keys) {
  int16_t value = 0;
  if (keys & MK_SHIFT) value |= 1;
  if (keys & MK_CONTROL) value |= 2;
  if (GetKeyState(VK_MENU) < 0) value |= 4;
  return value;
}

}  // namespace

void GifControlWindow::CursorDeleter::operator()(void* cursor) const {
  DestroyCursor(static_cast<HCURSOR>(cursor));
}

GifControlWindow::GifControlWindow() = default;

GifControlWindow::~GifControlWindow() {
  // The control stops its clock and detaches itself first; whatever timer is
  // left is killed here and never calls back.
  control_.reset();
  client_ = nullptr;
  reader_.reset();
  KillAllTimers();
  customCursor_.reset();
  if (window_ != 0) {
    HWND window = AsWindow(window_);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = 0;
    DestroyWindow(window);
  }
  painter_.Free();
}

bool GifControlWindow::Create(intptr_t parent, int x, int y, int width, int height) {
  if (!RegisterControlClass()) return false;
  HWND window =
      CreateWindowExW(0, kClassName, L"ucAniGIF1", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y,
                      width, height, AsWindow(parent), nullptr, GetModuleHandleW(nullptr), this);
  if (window == nullptr) return false;
  window_ = reinterpret_cast<intptr_t>(window);
  reader_ = std::make_unique<RemoteReader>(window_, kReadDoneMessage);
  control_ = std::make_unique<anigif::ucAniGIF>(*this);
  return true;
}

void GifControlWindow::SetTooltip(const std::string& text) {
  if (window_ == 0) return;
  HWND window = AsWindow(window_);
  if (tooltip_ == 0) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tip == nullptr) return;
    tooltip_ = reinterpret_cast<intptr_t>(tip);
  }
  std::wstring wide = Widen(text);
  TTTOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = window;
  info.uId = reinterpret_cast<UINT_PTR>(window);
  info.lpszText = wide.data();
  SendMessageW(AsWindow(tooltip_), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageW(AsWindow(tooltip_), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

// ---- painting ----------------------------------------------------------------

void GifControlWindow::Render() {
  // Transparent pixels show the window's face colour; a window too large
  // for a surface paints nothing.
  painter_.Render(client_, static_cast<int>(ClientWidth()), static_cast<int>(ClientHeight()),
                  static_cast<gdi::COLORREF>(GetSysColor(COLOR_BTNFACE)));
}

void GifControlWindow::Present(intptr_t dcHandle) {
  const host::ControlSurface& surface = painter_.surface();
  if (surface.bits() == nullptr) return;
  HDC dc = reinterpret_cast<HDC>(dcHandle);
  ::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = surface.width();
  info.bmiHeader.biHeight = -surface.height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(surface.width()),
                    static_cast<DWORD>(surface.height()), 0, 0, 0,
                    static_cast<UINT>(surface.height()), surface.bits(), &info, DIB_RGB_COLORS);
}

void GifControlWindow::RepaintNow() {
  if (window_ == 0) return;
  Render();
  RedrawWindow(AsWindow(window_), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// ---- size, units, state --------------------------------------------------------

double GifControlWindow::ClientWidth() const {
  RECT r{};
  if (window_ != 0) GetClientRect(AsWindow(window_), &r);
  return r.right - r.left;
}

double GifControlWindow::ClientHeight() const {
  RECT r{};
  if (window_ != 0) GetClientRect(AsWindow(window_), &r);
  return r.bottom - r.top;
}

void GifControlWindow::SetSize(int32_t widthTwips, int32_t heightTwips) {
  if (window_ == 0) return;
  SetWindowPos(AsWindow(window_), nullptr, 0, 0, host::ContainerUnits::TwipsToPixels(widthTwips),
               host::ContainerUnits::TwipsToPixels(heightTwips),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool GifControlWindow::Enabled() const {
  return window_ != 0 && IsWindowEnabled(AsWindow(window_)) != FALSE;
}

void GifControlWindow::SetEnabled(bool enabled) {
  if (window_ != 0) EnableWindow(AsWindow(window_), enabled ? TRUE : FALSE);
}

void GifControlWindow::PropertyChanged(std::string_view name) {
  changed_.emplace_back(name);
}

// ---- pointer -------------------------------------------------------------------

bool GifControlWindow::SetMousePointer(int16_t pointer) {
  if (!IsValidPointer(pointer)) return false;
  pointer_ = pointer;
  ApplyCursor();
  return true;
}

bool GifControlWindow::ApplyMouseIcon(const host::PictureRef& icon) {
  HCURSOR made = nullptr;
  if (icon) {
    made = reinterpret_cast<HCURSOR>(CursorFromPicture(icon->image));
    if (made == nullptr) return false;
  }
  customCursor_.reset(made);
  ApplyCursor();
  return true;
}

void GifControlWindow::ApplyCursor() {
  if (window_ == 0) return;
  POINT p{};
  GetCursorPos(&p);
  if (WindowFromPoint(p) == AsWindow(window_)) {
    SendMessageW(AsWindow(window_), WM_SETCURSOR, static_cast<WPARAM>(window_),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

// ---- window, timers, reads, boxes ------------------------------------------------

intptr_t GifControlWindow::ParentWindow() const {
  if (window_ == 0) return 0;
  return reinterpret_cast<intptr_t>(GetAncestor(AsWindow(window_), GA_ROOT));
}

bool GifControlWindow::SetTimer(uintptr_t timerId, uint32_t intervalMs, host::TimerProc proc) {
  const intptr_t owner = ParentWindow();
  if (!proc || owner == 0) return false;
  // A zero interval would spin; USER raises it to its own minimum anyway.
  const UINT interval = std::max<UINT>(intervalMs, USER_TIMER_MINIMUM);
  if (::SetTimer(AsWindow(owner), timerId, interval, RouteTimer) == 0) return false;
  timerWindow_ = owner;
  TimerRoutes()[{AsWindow(owner), timerId}] = this;
  timers_[timerId] = std::move(proc);
  intervals_[timerId] = interval;
  return true;
}

bool GifControlWindow::KillTimer(uintptr_t timerId) {
  const auto it = timers_.find(timerId);
  if (it == timers_.end()) return false;
  ::KillTimer(AsWindow(timerWindow_), timerId);
  TimerRoutes().erase({AsWindow(timerWindow_), timerId});
  timers_.erase(it);
  intervals_.erase(timerId);
  return true;
}

void GifControlWindow::KillAllTimers() {
  while (!timers_.empty()) KillTimer(timers_.begin()->first);
}

void GifControlWindow::FireTimer(uintptr_t timerId, uint32_t time) {
  const auto it = timers_.find(timerId);
  if (it == timers_.end()) return;
  // The procedure may kill, re-arm or replace its own timer: call a copy.
  const host::TimerProc proc = it->second;
  proc(host::TimerTick{timerWindow_, WM_TIMER, timerId, time});
}

bool GifControlWindow::AsyncRead(std::string_view path, std::string_view propertyName,
                                 uint32_t options) {
  return reader_ != nullptr && reader_->Start(path, propertyName, options);
}

void GifControlWindow::CancelAsyncRead(std::string_view propertyName) {
  if (reader_ != nullptr) reader_->Cancel(propertyName);
}

void GifControlWindow::MessageBox(const host::MessageBoxRequest& request) {
  const std::wstring text = Widen(request.text);
  const std::wstring caption = Widen(request.caption);
  host::MessageBoxRequest ok = request;
  ok.buttons = host::MsgButtons::kOk;
  HWND owner = AsWindow(ParentWindow());
  MessageBoxW(owner, text.c_str(), caption.c_str(), MessageBoxStyle(ok));
}

// ---- messages --------------------------------------------------------------------

intptr_t GifControlWindow::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  HWND window = AsWindow(window_);
  switch (message) {
    case WM_PAINT: {
      // A paint the system asks for (an expose) draws afresh, as the
      // control's paint handler expects; one that follows RepaintNow shows
      // what was just drawn.
      if (painter_.NeedsRender(static_cast<int>(ClientWidth()), static_cast<int>(ClientHeight()))) {
        Render();
      }
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      Present(reinterpret_cast<intptr_t>(dc));
      EndPaint(window, &ps);
      painter_.Presented();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the surface covers the whole window
    case WM_SIZE:
      if (client_ != nullptr) client_->OnResize();
      return 0;
    case WM_SHOWWINDOW:
      if (client_ != nullptr) {
        if (wParam != 0) {
          client_->OnShow();
        } else {
          client_->OnHide();
        }
      }
      break;
    case WM_NCHITTEST: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(window, &p);
      if (client_ != nullptr && client_->HitTest(p.x, p.y) == kHitAnswer) return HTCLIENT;
      return HTTRANSPARENT;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        HCURSOR cursor = reinterpret_cast<HCURSOR>(PointerCursor(pointer_));
        if (pointer_ == kCustomPointer && customCursor_) {
          cursor = static_cast<HCURSOR>(customCursor_.get());
        }
        SetCursor(cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      SetCapture(window);
      int16_t button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 2 : 4;
      if (message == WM_LBUTTONDOWN) leftPressedInside_ = true;
      if (client_ != nullptr) {
        client_->OnMouseDown(button, ShiftOf(wParam), static_cast<float>(GET_X_LPARAM(lParam)),
                             static_cast<float>(GET_Y_LPARAM(lParam)));
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (client_ != nullptr) {
        client_->OnMouseMove(ButtonsOf(wParam), ShiftOf(wParam),
                             static_cast<float>(GET_X_LPARAM(lParam)),
                             static_cast<float>(GET_Y_LPARAM(lParam)));
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const int x = GET_X_LPARAM(lParam);
      const int y = GET_Y_LPARAM(lParam);
      // A press of the left button inside followed by its release inside is a click.
      bool click = false;
      if (message == WM_LBUTTONUP) {
        RECT r{};
        GetClientRect(window, &r);
        click = leftPressedInside_ && PtInRect(&r, POINT{x, y});
        leftPressedInside_ = false;
      }
      if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) ReleaseCapture();
      int16_t button = message == WM_LBUTTONUP ? 1 : message == WM_RBUTTONUP ? 2 : 4;
      if (client_ != nullptr) {
        client_->OnMouseUp(button, ShiftOf(wParam), static_cast<float>(x), static_cast<float>(y));
      }
      if (click && client_ != nullptr) client_->OnClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      leftPressedInside_ = false;
      return 0;
    case kReadDoneMessage:
      if (reader_ != nullptr) {
        reader_->Deliver(
            [this](std::string_view name, int32_t status) {
              if (client_ != nullptr) client_->OnAsyncReadProgress(name, status);
            },
            [this](std::string_view name, const std::vector<uint8_t>& data, int64_t total) {
              if (client_ != nullptr) client_->OnAsyncReadComplete(name, data, total);
            });
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace veltrano::win32
