// How Qt's mouse buttons, keyboard modifiers and cursors map onto the
// classic numbers a hosted control sees: buttons left 1, right 2, middle 4;
// shift 1, ctrl 2, alt 4; mouse pointers 0..15 plus 99 for a custom icon;
// and the icons of the window system's message boxes.
#pragma once

#include <QCursor>
#include <QMessageBox>
#include <cstdint>
#include <optional>

#include "platform/host/window_host.h"

namespace veltrano::qtgif {

inline constexpr int16_t kCustomPointer = 99;

// The classic value of one button, or of a set of held buttons (bit-ORed).
int16_t ClassicButtons(Qt::MouseButtons buttons);
int16_t ClassicShift(Qt::KeyboardModifiers modifiers);

// The cursor shape for a standard pointer number. 0 (the default pointer)
// and 99 (custom) give nothing here: the widget inherits its parent's
// cursor or uses its custom icon. Pointers outside 0..15 and 99 are not
// valid: `valid` is set to false.
std::optional<Qt::CursorShape> PointerShape(int16_t pointer, bool* valid);

// The Qt icon of a message box with the given icon.
QMessageBox::Icon MessageBoxIcon(host::MsgIcon icon);

}  // namespace veltrano::qtgif
