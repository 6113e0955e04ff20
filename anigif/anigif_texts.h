// Texts the animated GIF control shows or compares against.
#pragma once

namespace veltrano::anigif::texts {

inline constexpr char kClassName[] = "ucAniGIF";
inline constexpr char kCallbackErrorCaption[] = "Error in ucAniGIF.cb_Callback";
inline constexpr char kThunkMissing[] = "nThunkNo doesn't exist.";
inline constexpr char kCallbackNotFound[] = "Callback address not found.";
inline constexpr char kRemoteProperty[] = "remoteGIF";

}  // namespace veltrano::anigif::texts
