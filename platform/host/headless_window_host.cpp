#include "platform/host/headless_window_host.h"

#include <utility>

namespace veltrano::host {

void HeadlessWindowHost::AtPump(int pumpNumber, Action action) {
  scheduled_.emplace(pumpNumber, std::move(action));
}

void HeadlessWindowHost::AtNextPump(Action action) { AtPump(pumps_ + 1, std::move(action)); }

void HeadlessWindowHost::AnswerNextMessageBox(MsgAnswer answer) { answers_.push_back(answer); }

void HeadlessWindowHost::DoEvents() {
  const int current = ++pumps_;
  // Actions may schedule further actions or pump again themselves (a nested
  // command); take each one out of the table before running it.
  for (;;) {
    auto it = scheduled_.find(current);
    if (it == scheduled_.end()) break;
    Action action = std::move(it->second);
    scheduled_.erase(it);
    action();
  }
}

MsgAnswer HeadlessWindowHost::MessageBox(const MessageBoxRequest& request) {
  boxes_.push_back(request);
  if (answers_.empty()) return request.defaultButton;
  MsgAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void HeadlessWindowHost::OpenUrl(std::string_view url) { urls_.emplace_back(url); }

void HeadlessWindowHost::EndProcess(int exitCode) { throw ProcessEnded{exitCode}; }

}  // namespace veltrano::host
