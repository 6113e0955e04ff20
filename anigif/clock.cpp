// The frame clock: one timer of the host per control, re-armed after every
// frame with that frame's delay; loop counting; the play, stop, pause, step
// and restart requests; the short timer that decodes frames 2 and later
// after frame 1 is on screen. Each timer calls a procedure bound to this very
// control, so timers of several controls never reach the wrong one.
#include <algorithm>

#include "anigif/anigif_texts.h"
#include "anigif/uc_ani_gif.h"

namespace veltrano::anigif {
namespace {

constexpr int32_t kTimerArgumentCount = 4;
constexpr uint32_t kProbeIntervalMs = 60000;
constexpr uint32_t kDeferredDecodeMs = 20;

}  // namespace

int32_t ucAniGIF::FrameInterval(int32_t frameIndex) const {
  if (SteppedDelay_ != 0) return SteppedDelay_;
  if (frameIndex < 1 || frameIndex > store_.FrameCount()) return MinFrameDelay_;
  return std::max<int32_t>(store_.Frame(frameIndex).Delay, MinFrameDelay_);
}

void ucAniGIF::ShowCallbackError(const char* text) {
  host_.MessageBox(host::MessageBoxRequest{text, texts::kCallbackErrorCaption,
                                           host::MsgButtons::kOk, host::MsgIcon::kCritical,
                                           host::MsgAnswer::kOk});
}

host::TimerProc ucAniGIF::FindCallbackEntry(ucAniGIF* owner, TimerKind handler) {
  if (owner == nullptr) return nullptr;
  switch (handler) {
    case TimerKind::kFrameClock:
      return [owner](const host::TimerTick& tick) { owner->OnTimerTick(tick); };
    case TimerKind::kDeferredDecode:
      return [owner](const host::TimerTick& tick) { owner->OnDeferredDecode(tick); };
    case TimerKind::kStop:
      break;
  }
  return nullptr;
}

host::TimerProc ucAniGIF::BuildCallbackThunk(TimerKind handler, int32_t argumentCount,
                                             int32_t thunkNumber, ucAniGIF* owner,
                                             bool probeRunMode) {
  (void)probeRunMode;  // no development environment to ask here
  if (thunkNumber != 0) {
    ShowCallbackError(texts::kThunkMissing);
    return nullptr;
  }
  host::TimerProc entry =
      argumentCount == kTimerArgumentCount ? FindCallbackEntry(owner, handler) : nullptr;
  if (!entry) ShowCallbackError(texts::kCallbackNotFound);
  return entry;
}

bool ucAniGIF::ArmTimer(TimerKind kind) {
  if (kind == TimerKind::kStop) {
    host_.KillTimer(TimerId());
    Action_ = PlayState::kStopped;
    deferredPending_ = false;
    return false;
  }
  if (Action_ == PlayState::kPlaying) return false;
  Action_ = PlayState::kStopped;
  if (CurrentFrame_ == 0 || !UserMode()) return false;
  if (store_.FrameCount() <= 1 && kind != TimerKind::kDeferredDecode) return false;

  CallbackEntry_ = BuildCallbackThunk(kind, kTimerArgumentCount, 0, this, true);
  if (!CallbackEntry_) return false;
  ParentWindow_ = host_.ParentWindow();
  if (ParentWindow_ == 0) {
    CallbackEntry_ = nullptr;
    return false;
  }
  // Make sure the host takes a timer for this control before relying on it.
  if (!host_.SetTimer(TimerId(), kProbeIntervalMs, CallbackEntry_)) {
    CallbackEntry_ = nullptr;
    return false;
  }
  host_.KillTimer(TimerId());
  const bool deferred = kind == TimerKind::kDeferredDecode;
  const uint32_t interval =
      deferred ? kDeferredDecodeMs : static_cast<uint32_t>(FrameInterval(CurrentFrame_));
  host_.SetTimer(TimerId(), interval, CallbackEntry_);
  Action_ = PlayState::kPlaying;
  deferredPending_ = deferred;
  return true;
}

void ucAniGIF::OnTimerTick(const host::TimerTick& tick) {
  host_.KillTimer(tick.timerId);
  const int32_t count = store_.FrameCount();
  if (CurrentFrame_ == 0 || count == 0) {
    Action_ = PlayState::kStopped;
    return;
  }
  const int32_t previous = CurrentFrame_;
  bool wrapped = false;
  if (++CurrentFrame_ > count) {
    CurrentFrame_ = 1;
    wrapped = true;
  }
  bool keepGoing = true;
  if (count == 1) {
    LoopsRemaining_ = 0;
    Action_ = PlayState::kStopped;
    keepGoing = false;
  } else if (wrapped && Loops() != 0) {
    if (--LoopsRemaining_ == 0) {
      Action_ = PlayState::kStopped;
      keepGoing = false;
    }
  }

  const uint64_t generation = generation_;
  host_.RepaintNow();
  RaiseFrameChanged(previous, true);
  // A handler that reset or reloaded the control owns the clock now.
  if (generation != generation_) return;
  if (keepGoing) {
    host_.SetTimer(tick.timerId, static_cast<uint32_t>(FrameInterval(CurrentFrame_)),
                   CallbackEntry_);
  } else if (events_.LoopsEnded) {
    events_.LoopsEnded();
  }
}

void ucAniGIF::OnDeferredDecode(const host::TimerTick&) {
  ArmTimer(TimerKind::kStop);
  bool firstPass = false;
  BuildFrames(firstPass);
}

// A request that stops the clock while frames 2 and later still wait for
// their decoding would leave them undecoded for good: decode them first.
void ucAniGIF::FinishPendingDecode() {
  if (!deferredPending_) return;
  OnDeferredDecode(host::TimerTick{ParentWindow_, 0, TimerId(), 0});
}

void ucAniGIF::SetAction(int32_t Act) {
  if (Act < 0 || Act > kLastActionRequest) return;
  Request(static_cast<ActionRequest>(Act));
}

void ucAniGIF::Request(ActionRequest request) {
  if (!UserMode() || CurrentFrame_ == 0) return;
  if (request != ActionRequest::kPlay) FinishPendingDecode();
  if (CurrentFrame_ == 0) return;  // the decoding's handlers may have emptied the control
  switch (request) {
    case ActionRequest::kStop:
    case ActionRequest::kRestart:
      ArmTimer(TimerKind::kStop);
      LoopsRemaining_ = Loops();
      CurrentFrame_ = 1;
      host_.RepaintNow();
      RaiseFrameChanged(1, false);
      if (request == ActionRequest::kRestart && CurrentFrame_ != 0) {
        ArmTimer(TimerKind::kFrameClock);
      }
      break;
    case ActionRequest::kPlay:
      ArmTimer(TimerKind::kFrameClock);
      break;
    case ActionRequest::kPause:
      if (Action_ != PlayState::kStopped) {
        ArmTimer(TimerKind::kStop);
        Action_ = PlayState::kPaused;
      }
      break;
    case ActionRequest::kStep:
      ArmTimer(TimerKind::kStop);
      CurrentFrame_ = CurrentFrame_ % store_.FrameCount() + 1;
      Action_ = PlayState::kPaused;
      host_.RepaintNow();
      RaiseFrameChanged(CurrentFrame_, false);
      break;
  }
}

void ucAniGIF::RaiseFrameChanged(int32_t frameIndex, bool viaTimer) {
  if (events_.FrameChanged) events_.FrameChanged(frameIndex, viaTimer);
}

}  // namespace veltrano::anigif
