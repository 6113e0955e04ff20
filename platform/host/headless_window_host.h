// A window host without a window, for tests and the command-line driver.
//
// A test scripts what happens at each event pump (for example a click on a
// menu command or closing the window) and how each message box is answered.
// Ending the process unwinds to the caller with a ProcessEnded exception, so a
// test can observe that nothing ran after it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/host/window_host.h"

namespace veltrano::host {

struct ProcessEnded {
  int exitCode = 0;
};

class HeadlessWindowHost : public WindowHost {
 public:
  using Action = std::function<void()>;

  // Runs `action` inside the pump with the given 1-based number (the n-th call
  // of DoEvents since construction). Several actions at one pump run in order.
  void AtPump(int pumpNumber, Action action);
  // Runs `action` at the next pump that has not happened yet.
  void AtNextPump(Action action);
  // Answers the next message box that has no scripted answer yet. Boxes
  // without a scripted answer get their default button.
  void AnswerNextMessageBox(MsgAnswer answer);

  int PumpCount() const { return pumps_; }
  const std::vector<MessageBoxRequest>& MessageBoxes() const { return boxes_; }
  const std::vector<std::string>& OpenedUrls() const { return urls_; }

  void DoEvents() override;
  MsgAnswer MessageBox(const MessageBoxRequest& request) override;
  void OpenUrl(std::string_view url) override;
  [[noreturn]] void EndProcess(int exitCode) override;

 private:
  int pumps_ = 0;
  std::multimap<int, Action> scheduled_;
  std::deque<MsgAnswer> answers_;
  std::vector<MessageBoxRequest> boxes_;
  std::vector<std::string> urls_;
};

}  // namespace veltrano::host
