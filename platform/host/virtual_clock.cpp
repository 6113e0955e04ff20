#include <algorithm>
#include <utility>

#include "platform/host/headless_control_host.h"

namespace veltrano::host {
namespace {
constexpr uint32_t kTimerMessage = 0x0113;  // the window system's timer message
}

void VirtualClock::Arm(const void* owner, intptr_t window, uintptr_t id, uint32_t intervalMs,
                       TimerProc proc) {
  Kill(owner, id);
  Timer t;
  t.owner = owner;
  t.window = window;
  t.id = id;
  // A zero interval would fire forever at one instant; the next millisecond
  // is the soonest a timer can come round again.
  t.interval = std::max<uint32_t>(intervalMs, 1);
  t.due = now_ + t.interval;
  t.order = nextOrder_++;
  t.proc = std::move(proc);
  timers_.push_back(std::move(t));
}

bool VirtualClock::Kill(const void* owner, uintptr_t id) {
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const Timer& t) { return t.owner == owner && t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

void VirtualClock::KillAll(const void* owner) {
  std::erase_if(timers_, [&](const Timer& t) { return t.owner == owner; });
}

bool VirtualClock::IsArmed(const void* owner, uintptr_t id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& t) { return t.owner == owner && t.id == id; });
}

uint32_t VirtualClock::IntervalOf(const void* owner, uintptr_t id) const {
  for (const Timer& t : timers_) {
    if (t.owner == owner && t.id == id) return t.interval;
  }
  return 0;
}

int VirtualClock::Earliest() const {
  int best = -1;
  for (size_t i = 0; i < timers_.size(); ++i) {
    const Timer& t = timers_[i];
    if (best < 0 || t.due < timers_[static_cast<size_t>(best)].due ||
        (t.due == timers_[static_cast<size_t>(best)].due &&
         t.order < timers_[static_cast<size_t>(best)].order)) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

int64_t VirtualClock::UntilNext() const {
  const int i = Earliest();
  if (i < 0) return -1;
  return static_cast<int64_t>(timers_[static_cast<size_t>(i)].due - now_);
}

void VirtualClock::Fire(size_t index) {
  Timer& t = timers_[index];
  now_ = t.due;
  // A window timer repeats until it is killed: schedule the next round before
  // the callback runs, which may kill, re-arm or leave it.
  t.due = now_ + t.interval;
  t.order = nextOrder_++;
  const TimerProc proc = t.proc;  // the callback may drop the table entry
  const TimerTick tick{t.window, kTimerMessage, t.id, static_cast<uint32_t>(now_)};
  ++fired_;
  proc(tick);
}

void VirtualClock::Advance(uint64_t ms) {
  const uint64_t target = now_ + ms;
  for (;;) {
    const int i = Earliest();
    if (i < 0 || timers_[static_cast<size_t>(i)].due > target) break;
    Fire(static_cast<size_t>(i));
  }
  now_ = target;
}

bool VirtualClock::FireNext() {
  const int i = Earliest();
  if (i < 0) return false;
  Fire(static_cast<size_t>(i));
  return true;
}

}  // namespace veltrano::host
