// Mouse pointers of a hosted control as Windows cursors.
#pragma once

#include <cstdint>

#include "platform/picture/picture.h"

namespace veltrano::win32 {

// The custom pointer: the control's mouse icon.
inline constexpr int16_t kCustomPointer = 99;

// 0 (the default) to 15 and 99 are pointers; every other value fails.
bool IsValidPointer(int16_t pointer);

// The system cursor (HCURSOR) of pointers 1 to 15; 0 for the default
// pointer, the custom one and invalid values.
intptr_t PointerCursor(int16_t pointer);

// A cursor (HCURSOR, to be destroyed by the caller) showing the picture, its
// transparent colour see-through, hot spot at the top left; 0 when the
// picture has no pixels or the system refuses it.
intptr_t CursorFromPicture(const picture::Picture& image);

}  // namespace veltrano::win32
