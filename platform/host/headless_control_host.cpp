#include "platform/host/headless_control_host.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gdi/gdi.h"

namespace veltrano::host {

HeadlessControlHost::HeadlessControlHost(VirtualClock& clock, bool userMode)
    : clock_(clock), userMode_(userMode) {}

HeadlessControlHost::~HeadlessControlHost() {
  clock_.KillAll(this);
  FreeSurface();
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
  Resize(static_cast<int>(std::lround(widthTwips / kTwipsPerPixel)),
         static_cast<int>(std::lround(heightTwips / kTwipsPerPixel)));
}

double HeadlessControlHost::Convert(double value, Axis, ScaleUnit from, ScaleUnit to) const {
  auto perPixel = [&](ScaleUnit unit) {
    switch (unit) {
      case ScaleUnit::kPixels:
        return 1.0;
      case ScaleUnit::kTwips:
        return kTwipsPerPixel;
      case ScaleUnit::kContainerPosition:
      case ScaleUnit::kContainerSize:
        return containerScale_;
    }
    return 1.0;
  };
  return value / perPixel(from) * perPixel(to);
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

void HeadlessControlHost::MakeSurface(int width, int height) {
  if (surface_ && width == surfaceWidth_ && height == surfaceHeight_) return;
  FreeSurface();
  const int w = std::max(width, 1);
  const int h = std::max(height, 1);
  // A surface above the budget is refused before anything is allocated: a
  // control stretched to a huge size, or sized by a tiny file that claims a
  // huge animation, must not take gigabytes.
  if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * 4 > kMaxSurfaceBytes) return;
  surfaceDC_ = gdi::CreateCompatibleDC(gdi::HDC());
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biBitCount = 32;
  surface_ =
      gdi::CreateDIBSection(surfaceDC_, &info, gdi::DIB_RGB_COLORS, &surfaceBits_, nullptr, 0);
  if (!surface_) {
    // No bitmap, no surface size: nothing may read pixels that are not there.
    FreeSurface();
    return;
  }
  oldSurface_ = gdi::SelectObject(surfaceDC_, surface_);
  surfaceWidth_ = width;
  surfaceHeight_ = height;
}

void HeadlessControlHost::FreeSurface() {
  if (surfaceDC_ && oldSurface_) gdi::SelectObject(surfaceDC_, oldSurface_);
  if (surface_) gdi::DeleteObject(surface_);
  if (surfaceDC_) gdi::DeleteDC(surfaceDC_);
  surface_ = nullptr;
  surfaceDC_ = nullptr;
  oldSurface_ = nullptr;
  surfaceBits_ = nullptr;
  surfaceWidth_ = surfaceHeight_ = 0;
}

void HeadlessControlHost::RepaintNow() {
  MakeSurface(width_, height_);
  if (surface_) {
    const gdi::HBRUSH brush = gdi::CreateSolidBrush(background_);
    const gdi::RECT all{0, 0, std::max(width_, 1), std::max(height_, 1)};
    gdi::FillRect(surfaceDC_, &all, brush);
    gdi::DeleteObject(brush);
  }
  ++paints_;
  if (client_ != nullptr) client_->OnPaint(surfaceDC_);
}

uint32_t HeadlessControlHost::SurfacePixel(int x, int y) const {
  if (surfaceBits_ == nullptr || x < 0 || y < 0 || x >= surfaceWidth_ || y >= surfaceHeight_) {
    return 0;
  }
  const auto* row = static_cast<const uint32_t*>(surfaceBits_) +
                    static_cast<size_t>(y) * static_cast<size_t>(std::max(surfaceWidth_, 1));
  return row[x] & 0x00FFFFFF;
}

}  // namespace veltrano::host
