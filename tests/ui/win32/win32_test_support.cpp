#include "tests/ui/win32/win32_test_support.h"

#include "ui/win32/windows_api.h"

namespace veltrano::win32::testing {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

TestWindow::TestWindow() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VeltranoTestWindow";
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  HWND window = CreateWindowExW(0, L"VeltranoTestWindow", L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  window_ = reinterpret_cast<intptr_t>(window);
}

TestWindow::~TestWindow() {
  if (window_ != 0) DestroyWindow(reinterpret_cast<HWND>(window_));
}

}  // namespace veltrano::win32::testing
