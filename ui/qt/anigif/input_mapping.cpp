#include "ui/qt/anigif/input_mapping.h"

#include <array>

namespace veltrano::qtgif {

int16_t ClassicButtons(Qt::MouseButtons buttons) {
  int16_t value = 0;
  if (buttons & Qt::LeftButton) value |= 1;
  if (buttons & Qt::RightButton) value |= 2;
  if (buttons & Qt::MiddleButton) value |= 4;
  return value;
}

int16_t ClassicShift(Qt::KeyboardModifiers modifiers) {
  int16_t value = 0;
  if (modifiers & Qt::ShiftModifier) value |= 1;
  if (modifiers & Qt::ControlModifier) value |= 2;
  if (modifiers & Qt::AltModifier) value |= 4;
  return value;
}

std::optional<Qt::CursorShape> PointerShape(int16_t pointer, bool* valid) {
  // Index = pointer number 1..15: arrow, cross, I-beam, icon, size, size
  // NE-SW, size N-S, size NW-SE, size W-E, up arrow, hourglass, no drop,
  // arrow and hourglass, arrow and question mark, size all.
  static constexpr std::array<Qt::CursorShape, 16> kShapes = {
      Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
      Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
      Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
      Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor};
  const bool ok = (pointer >= 0 && pointer <= 15) || pointer == kCustomPointer;
  if (valid != nullptr) *valid = ok;
  if (!ok || pointer == 0 || pointer == kCustomPointer) return std::nullopt;
  return kShapes[static_cast<size_t>(pointer)];
}

QMessageBox::Icon MessageBoxIcon(host::MsgIcon icon) {
  switch (icon) {
    case host::MsgIcon::kQuestion:
      return QMessageBox::Question;
    case host::MsgIcon::kExclamation:
      return QMessageBox::Warning;
    case host::MsgIcon::kInformation:
      return QMessageBox::Information;
    case host::MsgIcon::kCritical:
      return QMessageBox::Critical;
    case host::MsgIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace veltrano::qtgif
