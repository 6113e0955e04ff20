#include "ui/win32/win32_window_host.h"

#include <cstdio>

#include "ui/win32/wide_text.h"
#include "ui/win32/windows_api.h"

#include <shellapi.h>

namespace veltrano::win32 {

uint32_t MessageBoxStyle(const host::MessageBoxRequest& request) {
  UINT style = request.buttons == host::MsgButtons::kYesNo ? MB_YESNO : MB_OK;
  if (request.buttons == host::MsgButtons::kYesNo && request.defaultButton == host::MsgAnswer::kNo) {
    style |= MB_DEFBUTTON2;
  } else {
    style |= MB_DEFBUTTON1;
  }
  switch (request.icon) {
    case host::MsgIcon::kQuestion:
      style |= MB_ICONQUESTION;
      break;
    case host::MsgIcon::kExclamation:
      style |= MB_ICONEXCLAMATION;
      break;
    case host::MsgIcon::kInformation:
      style |= MB_ICONINFORMATION;
      break;
    case host::MsgIcon::kCritical:
      style |= MB_ICONHAND;
      break;
    case host::MsgIcon::kNone:
      break;
  }
  return style;
}

void Win32WindowHost::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) EndProcess(static_cast<int>(msg.wParam));
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

host::MsgAnswer Win32WindowHost::MessageBox(const host::MessageBoxRequest& request) {
  HWND owner = reinterpret_cast<HWND>(owner_);
  UINT style = MessageBoxStyle(request) | MB_SETFOREGROUND;
  if (owner == nullptr || !IsWindowVisible(owner)) {
    // Before the window shows (the install offer) the box stands alone and
    // still holds the whole program.
    owner = nullptr;
    style |= MB_TASKMODAL;
  }
  const std::wstring text = Widen(request.text);
  const std::wstring caption = Widen(request.caption);
  const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), style);
  if (request.buttons == host::MsgButtons::kYesNo) {
    return answer == IDYES ? host::MsgAnswer::kYes : host::MsgAnswer::kNo;
  }
  return host::MsgAnswer::kOk;
}

void Win32WindowHost::OpenUrl(std::string_view url) {
  if (opener_) {
    opener_(url);
    return;
  }
  // No owner, no parameters, no working folder, maximised; the outcome is
  // not looked at.
  const std::wstring wide = Widen(url);
  ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void Win32WindowHost::EndProcess(int exitCode) {
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace veltrano::win32
