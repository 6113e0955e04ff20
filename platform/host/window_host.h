// What the window's commands need from the window system. The Qt window
// implements it for real; the headless host lets tests script it.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::host {

enum class MsgButtons { kOk, kYesNo };
enum class MsgIcon { kNone, kQuestion, kExclamation, kInformation, kCritical };
enum class MsgAnswer { kOk, kYes, kNo };

struct MessageBoxRequest {
  std::string text;
  std::string caption;  // never empty: boxes without a caption of their own carry "Veltrano"
  MsgButtons buttons = MsgButtons::kOk;
  MsgIcon icon = MsgIcon::kNone;
  MsgAnswer defaultButton = MsgAnswer::kOk;
};

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // Handles all pending window events (the nested event pump). Any handler of
  // the window may run inside it, to completion.
  virtual void DoEvents() = 0;
  // Shows a modal message box and returns the button the user chose.
  virtual MsgAnswer MessageBox(const MessageBoxRequest& request) = 0;
  // Asks the desktop to open a web page. Failures are silent.
  virtual void OpenUrl(std::string_view url) = 0;
  // Ends the process at once, whatever runs. Does not return.
  [[noreturn]] virtual void EndProcess(int exitCode) = 0;
};

}  // namespace veltrano::host
