// AniGifWidget: a Qt widget that hosts one animated GIF control.
//
// The widget is the control's container. It paints the control into a
// 32-bit surface of the raster layer the size of the widget and presents
// that surface; it runs the control's timers on the Qt event loop, measures
// in twips like a classic form (15 twips per pixel), delivers mouse, click,
// show, hide and resize notifications, applies the enabled state and the
// mouse pointer, reads remote paths for the control and shows its message
// boxes. The control lives exactly as long as the widget.
#pragma once

#include <QCursor>
#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

#include "anigif/uc_ani_gif.h"
#include "platform/gdi/gdi_types.h"
#include "platform/host/container_units.h"
#include "platform/host/control_host.h"
#include "platform/host/control_painter.h"

namespace veltrano::qtgif {

class AsyncReader;
class ControlTimers;

class AniGifWidget : public QWidget, public host::ControlHost {
  Q_OBJECT

 public:
  explicit AniGifWidget(QWidget* parent = nullptr);
  ~AniGifWidget() override;

  anigif::ucAniGIF& Control() { return *control_; }
  const anigif::ucAniGIF& Control() const { return *control_; }

  // Design time (false) or run time (true, the default).
  void SetUserMode(bool userMode) { userMode_ = userMode; }
  // Container units per pixel for positions and sizes the control reports.
  void SetContainerScale(double unitsPerPixel) { units_.SetUnitsPerPixel(unitsPerPixel); }
  // The last surface the control painted (the widget's size, opaque); null
  // while the widget is too large for a surface (ControlSurface::kMaxBytes).
  const QImage& Frame() const { return frame_; }
  int RenderCount() const { return painter_.RenderCount(); }
  const ControlTimers& Timers() const { return *timers_; }

  // ---- host::ControlHost ----------------------------------------------------
  void Attach(host::ControlClient* client) override { client_ = client; }
  bool UserMode() const override { return userMode_; }
  void PropertyChanged(std::string_view name) override;
  void RepaintNow() override;
  double ClientWidth() const override { return width(); }
  double ClientHeight() const override { return height(); }
  void SetSize(int32_t widthTwips, int32_t heightTwips) override;
  double Convert(double value, host::Axis, host::ScaleUnit from,
                 host::ScaleUnit to) const override {
    return units_.Convert(value, from, to);
  }
  bool Enabled() const override { return isEnabled(); }
  void SetEnabled(bool enabled) override { setEnabled(enabled); }
  int16_t MousePointer() const override { return pointer_; }
  bool SetMousePointer(int16_t pointer) override;
  // The cursor shown for mouse pointer 99.
  bool ApplyMouseIcon(const host::PictureRef& icon) override;
  intptr_t ParentWindow() const override;
  bool SetTimer(uintptr_t timerId, uint32_t intervalMs, host::TimerProc proc) override;
  bool KillTimer(uintptr_t timerId) override;
  bool AsyncRead(std::string_view path, std::string_view propertyName, uint32_t options) override;
  void CancelAsyncRead(std::string_view propertyName) override;
  void MessageBox(const host::MessageBoxRequest& request) override;

 signals:
  // A persisted property of the control changed (its stored name).
  void controlPropertyChanged(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // Lets the control draw into the surface and copies the result out.
  void Render();
  bool Hit(const QMouseEvent* event) const;
  void ApplyCursor();

  host::ControlClient* client_ = nullptr;
  bool userMode_ = true;
  host::ContainerUnits units_;
  int16_t pointer_ = 0;
  std::optional<QCursor> mouseIcon_;

  host::ControlPainter painter_;
  QImage frame_;

  // Click tracking: a press of the left button inside the widget followed
  // by its release inside is a click; the second press of a double click
  // gives no click of its own.
  bool leftPressedInside_ = false;
  bool doubleClickPress_ = false;

  // They outlive the control (declared after them, destroyed before them),
  // which stops its timers and reads through them when it goes.
  std::unique_ptr<ControlTimers> timers_;
  std::unique_ptr<AsyncReader> reader_;
  std::unique_ptr<anigif::ucAniGIF> control_;
};

}  // namespace veltrano::qtgif
