// Helpers for the tests of the Windows front end: a message pump with a
// deadline and a plain top-level window to put controls in.
#pragma once

#include <cstdint>
#include <functional>

namespace veltrano::win32::testing {

// Dispatches messages until `done` answers true or `timeoutMs` have passed;
// returns what `done` answered last.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
// Dispatches messages for `ms` milliseconds.
void PumpFor(int ms);

// A visible top-level window of 600 x 400 pixels, destroyed with the object.
class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  intptr_t Handle() const { return window_; }

 private:
  intptr_t window_ = 0;
};

}  // namespace veltrano::win32::testing
