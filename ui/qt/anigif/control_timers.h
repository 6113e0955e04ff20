// Window timers of a hosted control, run on the Qt event loop. Each timer is
// known by the identifier its control chose; arming an identifier that is
// already armed replaces it, and a timer repeats until it is killed. A
// callback runs on the user-interface thread between other events and only
// while this table (and so the widget that owns it) exists.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <cstdint>
#include <functional>
#include <unordered_map>

#include "platform/host/control_host.h"

namespace veltrano::qtgif {

class ControlTimers : public QObject {
  Q_OBJECT

 public:
  // `window` answers the owning window's handle handed to each callback.
  explicit ControlTimers(std::function<intptr_t()> window, QObject* parent = nullptr);
  ~ControlTimers() override;

  bool Set(uintptr_t timerId, uint32_t intervalMs, host::TimerProc proc);
  bool Kill(uintptr_t timerId);
  void KillAll();

  bool IsArmed(uintptr_t timerId) const { return byId_.contains(timerId); }
  // Interval of an armed timer in milliseconds; 0 when it is not armed.
  uint32_t IntervalOf(uintptr_t timerId) const;
  size_t ArmedCount() const { return byId_.size(); }

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  struct Entry {
    int qtId = 0;
    uint32_t interval = 0;
    host::TimerProc proc;
  };

  std::function<intptr_t()> window_;
  std::unordered_map<uintptr_t, Entry> byId_;
  std::unordered_map<int, uintptr_t> byQtId_;
  QElapsedTimer uptime_;
};

}  // namespace veltrano::qtgif
