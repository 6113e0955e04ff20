#include "ui/qt/anigif/ani_gif_widget.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/qt/anigif/async_reader.h"
#include "ui/qt/anigif/control_timers.h"
#include "ui/qt/anigif/input_mapping.h"
#include "ui/qt/anigif/picture_cursor.h"

namespace veltrano::qtgif {
namespace {

constexpr int kHitAnswer = 3;

gdi::COLORREF ToColorRef(const QColor& c) {
  return static_cast<gdi::COLORREF>(c.red()) | (static_cast<gdi::COLORREF>(c.green()) << 8) |
         (static_cast<gdi::COLORREF>(c.blue()) << 16);
}

}  // namespace

AniGifWidget::AniGifWidget(QWidget* parent) : QWidget(parent) {
  // The surface covers the whole widget; transparent pixels show the
  // background the surface was filled with.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  timers_ = std::make_unique<ControlTimers>([this] { return ParentWindow(); }, this);
  reader_ = std::make_unique<AsyncReader>(
      [this](std::string_view name, int32_t status) {
        if (client_ != nullptr) client_->OnAsyncReadProgress(name, status);
      },
      [this](std::string_view name, const std::vector<uint8_t>& data, int64_t total) {
        if (client_ != nullptr) client_->OnAsyncReadComplete(name, data, total);
      },
      this);
  control_ = std::make_unique<anigif::ucAniGIF>(*this);
}

AniGifWidget::~AniGifWidget() {
  // The control stops its clock and detaches itself; whatever timer or read
  // is left goes with the widget's members and never calls back.
  control_.reset();
  client_ = nullptr;
}

bool AniGifWidget::ApplyMouseIcon(const host::PictureRef& icon) {
  std::optional<QCursor> cursor = CursorFromPicture(icon);
  if (icon && !cursor) return false;  // a picture without pixels
  mouseIcon_ = std::move(cursor);
  ApplyCursor();
  return true;
}

// ---- painting ----------------------------------------------------------------

void AniGifWidget::Render() {
  if (!painter_.Render(client_, width(), height(), ToColorRef(palette().color(backgroundRole())))) {
    // A widget too large for a surface paints nothing, not a stale frame.
    frame_ = QImage();
    return;
  }
  // The surface's fourth byte is padding: present every pixel opaque.
  const host::ControlSurface& surface = painter_.surface();
  const int w = surface.width();
  const int h = surface.height();
  if (frame_.width() != w || frame_.height() != h) frame_ = QImage(w, h, QImage::Format_RGB32);
  const auto* src = static_cast<const uint32_t*>(surface.bits());
  for (int y = 0; y < h; ++y) {
    auto* dst = reinterpret_cast<uint32_t*>(frame_.scanLine(y));
    const uint32_t* row = src + static_cast<size_t>(y) * static_cast<size_t>(w);
    for (int x = 0; x < w; ++x) dst[x] = row[x] | 0xFF000000u;
  }
}

void AniGifWidget::RepaintNow() {
  Render();
  update();
}

void AniGifWidget::paintEvent(QPaintEvent*) {
  // A paint the window system asks for (an expose) draws afresh, as the
  // control's paint handler expects; one that follows RepaintNow presents
  // what was just drawn.
  if (painter_.NeedsRender(width(), height())) Render();
  QPainter painter(this);
  painter.drawImage(0, 0, frame_);
  painter_.Presented();
}

// ---- size, units and notifications -------------------------------------------

void AniGifWidget::SetSize(int32_t widthTwips, int32_t heightTwips) {
  resize(host::ContainerUnits::TwipsToPixels(widthTwips),
         host::ContainerUnits::TwipsToPixels(heightTwips));
}

void AniGifWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (client_ != nullptr) client_->OnResize();
}

void AniGifWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (client_ != nullptr) client_->OnShow();
}

void AniGifWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (client_ != nullptr) client_->OnHide();
}

void AniGifWidget::PropertyChanged(std::string_view name) {
  emit controlPropertyChanged(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

// ---- pointer, window, timers, reads, boxes -----------------------------------

bool AniGifWidget::SetMousePointer(int16_t pointer) {
  bool valid = false;
  PointerShape(pointer, &valid);
  if (!valid) return false;
  pointer_ = pointer;
  ApplyCursor();
  return true;
}

void AniGifWidget::ApplyCursor() {
  bool valid = false;
  if (const auto shape = PointerShape(pointer_, &valid)) {
    setCursor(*shape);
  } else if (pointer_ == kCustomPointer && mouseIcon_) {
    setCursor(*mouseIcon_);
  } else {
    unsetCursor();
  }
}

intptr_t AniGifWidget::ParentWindow() const {
  // The form exists before its native window does (the control loads while
  // the form is built, before it is shown): until then the form itself is
  // the token that stands for its window.
  const QWidget* top = window();
  if (const WId id = top->internalWinId()) return static_cast<intptr_t>(id);
  return reinterpret_cast<intptr_t>(top);
}

bool AniGifWidget::SetTimer(uintptr_t timerId, uint32_t intervalMs, host::TimerProc proc) {
  return timers_ != nullptr && timers_->Set(timerId, intervalMs, std::move(proc));
}

bool AniGifWidget::KillTimer(uintptr_t timerId) {
  return timers_ != nullptr && timers_->Kill(timerId);
}

bool AniGifWidget::AsyncRead(std::string_view path, std::string_view propertyName,
                             uint32_t options) {
  return reader_ != nullptr && reader_->Start(path, propertyName, options);
}

void AniGifWidget::CancelAsyncRead(std::string_view propertyName) {
  if (reader_ != nullptr) reader_->Cancel(propertyName);
}

void AniGifWidget::MessageBox(const host::MessageBoxRequest& request) {
  QMessageBox box(qtgif::MessageBoxIcon(request.icon), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), QMessageBox::Ok, window());
  box.exec();
}

// ---- mouse -------------------------------------------------------------------

bool AniGifWidget::Hit(const QMouseEvent* event) const {
  const QPoint p = event->position().toPoint();
  return client_ != nullptr && rect().contains(p) && client_->HitTest(p.x(), p.y()) == kHitAnswer;
}

void AniGifWidget::mousePressEvent(QMouseEvent* event) {
  if (!Hit(event)) {
    event->ignore();
    return;
  }
  if (event->button() == Qt::LeftButton) {
    leftPressedInside_ = true;
    doubleClickPress_ = false;
  }
  const QPointF p = event->position();
  client_->OnMouseDown(ClassicButtons(event->button()), ClassicShift(event->modifiers()),
                       static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void AniGifWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  // Qt has already delivered this press; the release that ends a double
  // click is not a click of its own.
  if (event->button() == Qt::LeftButton) doubleClickPress_ = true;
}

void AniGifWidget::mouseMoveEvent(QMouseEvent* event) {
  // While a button is held the widget keeps the mouse and reports moves
  // outside too; otherwise only moves over the control count.
  if (client_ == nullptr || (event->buttons() == Qt::NoButton && !Hit(event))) {
    event->ignore();
    return;
  }
  const QPointF p = event->position();
  client_->OnMouseMove(ClassicButtons(event->buttons()), ClassicShift(event->modifiers()),
                       static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void AniGifWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (client_ == nullptr) {
    event->ignore();
    return;
  }
  const QPointF p = event->position();
  client_->OnMouseUp(ClassicButtons(event->button()), ClassicShift(event->modifiers()),
                     static_cast<float>(p.x()), static_cast<float>(p.y()));
  if (event->button() != Qt::LeftButton) return;
  const bool click =
      leftPressedInside_ && !doubleClickPress_ && rect().contains(event->position().toPoint());
  leftPressedInside_ = false;
  doubleClickPress_ = false;
  if (click && client_ != nullptr) client_->OnClick();
}

}  // namespace veltrano::qtgif
