// The window host of the Windows front end: modal MessageBoxW boxes, the
// nested event pump, ShellExecuteW for web pages and an immediate end of the
// process.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/host/window_host.h"

namespace veltrano::win32 {

// The MessageBoxW style for a request: its buttons, its default button and
// its icon (MB_* values).
uint32_t MessageBoxStyle(const host::MessageBoxRequest& request);

class Win32WindowHost : public host::WindowHost {
 public:
  // Boxes are owned by this window while it is visible (a HWND as intptr_t).
  void SetOwnerWindow(intptr_t window) { owner_ = window; }
  // Replaces ShellExecuteW, for tests.
  void SetUrlOpener(std::function<void(std::string_view)> opener) { opener_ = std::move(opener); }

  // Dispatches every message waiting for this thread (PeekMessageW,
  // TranslateMessage, DispatchMessageW). A WM_QUIT ends the process.
  void DoEvents() override;
  host::MsgAnswer MessageBox(const host::MessageBoxRequest& request) override;
  void OpenUrl(std::string_view url) override;
  [[noreturn]] void EndProcess(int exitCode) override;

 private:
  intptr_t owner_ = 0;
  std::function<void(std::string_view)> opener_;
};

}  // namespace veltrano::win32
