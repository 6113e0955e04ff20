#include "platform/host/headless_control_host.h"

#include <algorithm>
#include <utility>

namespace veltrano::host {

HeadlessControlHost::HeadlessControlHost(VirtualClock& clock, bool userMode)
    : clock_(clock), userMode_(userMode) {}

HeadlessControlHost::~HeadlessControlHost() {
  clock_.KillAll(this);
}

void HeadlessControlHost::Resize(int widthPx, int heightPx) {
  width_ = std::max(widthPx, 0);
  height_ = std::max(heightPx, 0);
  if (client_ != nullptr) client_->OnResize();
}

void HeadlessControlHost::SetSize(int32_t widthTwips, int32_t heightTwips) {
  setWidthTwips_ = widthTwips;
  setHeightTwips_ = heightTwips;
  // Like a real container, answer with a resize notification.
  Resize(ContainerUnits::TwipsToPixels(widthTwips), ContainerUnits::TwipsToPixels(heightTwips));
}

bool HeadlessControlHost::SetMousePointer(int16_t pointer) {
  // The standard pointers 0..15 and 99 (custom icon).
  if ((pointer < 0 || pointer > 15) && pointer != 99) return false;
  pointer_ = pointer;
  return true;
}

bool HeadlessControlHost::SetTimer(uintptr_t timerId, uint32_t intervalMs, TimerProc proc) {
  if (parentWindow_ == 0 || !proc) return false;
  clock_.Arm(this, parentWindow_, timerId, intervalMs, std::move(proc));
  return true;
}

bool HeadlessControlHost::KillTimer(uintptr_t timerId) {
  return clock_.Kill(this, timerId);
}

bool HeadlessControlHost::AsyncRead(std::string_view path, std::string_view propertyName,
                                    uint32_t options) {
  if (refuseReads_) return false;
  pending_.push_back(AsyncReadRequest{std::string(path), std::string(propertyName), options});
  return true;
}

void HeadlessControlHost::CancelAsyncRead(std::string_view propertyName) {
  cancelled_.emplace_back(propertyName);
  std::erase_if(pending_,
                [&](const AsyncReadRequest& r) { return r.propertyName == propertyName; });
}

bool HeadlessControlHost::CompleteAsyncRead(const std::string& propertyName,
                                            const std::vector<uint8_t>& data, int64_t totalBytes) {
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [&](const AsyncReadRequest& r) { return r.propertyName == propertyName; });
  if (it == pending_.end()) return false;
  pending_.erase(it);
  if (client_ != nullptr) {
    client_->OnAsyncReadComplete(propertyName, data,
                                 totalBytes < 0 ? static_cast<int64_t>(data.size()) : totalBytes);
  }
  return true;
}

bool HeadlessControlHost::FailAsyncRead(const std::string& propertyName) {
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [&](const AsyncReadRequest& r) { return r.propertyName == propertyName; });
  if (it == pending_.end()) return false;
  if (client_ != nullptr) client_->OnAsyncReadProgress(propertyName, 0);
  return true;
}

void HeadlessControlHost::Show() {
  if (client_ != nullptr) client_->OnShow();
}

void HeadlessControlHost::Hide() {
  if (client_ != nullptr) client_->OnHide();
}

void HeadlessControlHost::Click() {
  if (client_ != nullptr) client_->OnClick();
}

void HeadlessControlHost::RepaintNow() {
  // A refused surface still reaches the control, as a paint with a null DC.
  if (surface_.Make(width_, height_)) surface_.Fill(background_);
  ++paints_;
  if (client_ != nullptr) client_->OnPaint(surface_.dc());
}

}  // namespace veltrano::host
