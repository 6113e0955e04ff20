// Identifiers of the resources in veltrano.rc, shared with the C++ sources.
#pragma once

#define VELTRANO_ICON_ID 1

#ifdef __cplusplus
namespace veltrano::win32 {
inline constexpr int kIconResourceId = VELTRANO_ICON_ID;
}
#endif
