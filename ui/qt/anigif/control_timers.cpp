#include "ui/qt/anigif/control_timers.h"

#include <QTimerEvent>
#include <utility>

namespace veltrano::qtgif {
namespace {
constexpr uint32_t kTimerMessage = 0x0113;  // the window system's timer message
}

ControlTimers::ControlTimers(std::function<intptr_t()> window, QObject* parent)
    : QObject(parent), window_(std::move(window)) {
  uptime_.start();
}

ControlTimers::~ControlTimers() {
  KillAll();
}

bool ControlTimers::Set(uintptr_t timerId, uint32_t intervalMs, host::TimerProc proc) {
  if (!proc) return false;
  Kill(timerId);
  // A zero interval would spin; the next millisecond is the soonest a timer
  // comes round again, as with the window system's own timers.
  const uint32_t interval = std::max<uint32_t>(intervalMs, 1);
  const int qtId = startTimer(std::chrono::milliseconds(interval), Qt::PreciseTimer);
  if (qtId == 0) return false;
  byId_[timerId] = Entry{qtId, interval, std::move(proc)};
  byQtId_[qtId] = timerId;
  return true;
}

bool ControlTimers::Kill(uintptr_t timerId) {
  const auto it = byId_.find(timerId);
  if (it == byId_.end()) return false;
  killTimer(it->second.qtId);
  byQtId_.erase(it->second.qtId);
  byId_.erase(it);
  return true;
}

void ControlTimers::KillAll() {
  for (const auto& [id, entry] : byId_) killTimer(entry.qtId);
  byId_.clear();
  byQtId_.clear();
}

uint32_t ControlTimers::IntervalOf(uintptr_t timerId) const {
  const auto it = byId_.find(timerId);
  return it == byId_.end() ? 0 : it->second.interval;
}

void ControlTimers::timerEvent(QTimerEvent* event) {
  const auto qt = byQtId_.find(event->timerId());
  if (qt == byQtId_.end()) return;  // killed while its event was queued
  const uintptr_t timerId = qt->second;
  // The callback may kill, re-arm or replace its own timer: call a copy.
  const host::TimerProc proc = byId_.at(timerId).proc;
  const host::TimerTick tick{window_ ? window_() : 0, kTimerMessage, timerId,
                             static_cast<uint32_t>(uptime_.elapsed())};
  proc(tick);
}

}  // namespace veltrano::qtgif
