// The window host of the Qt front end: the event pump, message boxes, web
// pages and the end of the process.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/host/window_host.h"

namespace veltrano::qt {

class QtWindowHost : public host::WindowHost {
 public:
  // Boxes are centred on `window` while it is shown, on the screen before.
  void SetDialogParent(QWidget* window) { dialogParent_ = window; }
  // Runs right before the process ends (the demo saves its log there).
  void SetBeforeExit(std::function<void()> hook) { beforeExit_ = std::move(hook); }

  void DoEvents() override;
  host::MsgAnswer MessageBox(const host::MessageBoxRequest& request) override;
  void OpenUrl(std::string_view url) override;
  [[noreturn]] void EndProcess(int exitCode) override;

 private:
  QPointer<QWidget> dialogParent_;
  std::function<void()> beforeExit_;
};

}  // namespace veltrano::qt
