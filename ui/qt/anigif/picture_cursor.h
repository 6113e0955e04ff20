// A mouse cursor made from a picture object (the control's custom mouse
// icon): palette colours, the transparent index see-through.
#pragma once

#include <QCursor>
#include <optional>

#include "platform/host/picture_object.h"

namespace veltrano::qtgif {

// Nothing for a null reference or an empty picture.
std::optional<QCursor> CursorFromPicture(const host::PictureRef& picture);

}  // namespace veltrano::qtgif
