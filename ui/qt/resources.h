// The program's embedded resources (the window icon).
#pragma once

namespace veltrano::qt {

// Registers the resources of this library; safe to call more than once.
void EnsureResources();

inline constexpr const char* kIconResource = ":/veltrano/veltrano_icon.xpm";

}  // namespace veltrano::qt
