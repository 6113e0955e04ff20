// Texts the animated GIF control shows or compares against.
#pragma once

#include <string_view>

namespace veltrano::anigif::texts {

inline constexpr char kClassName[] = "ucAniGIF";
inline constexpr char kCallbackErrorCaption[] = "Error in ucAniGIF.cb_Callback";
inline constexpr char kThunkMissing[] = "nThunkNo doesn't exist.";
inline constexpr char kCallbackNotFound[] = "Callback address not found.";
inline constexpr char kRemoteProperty[] = "remoteGIF";

// Descriptions of the control's members, for a host that shows them (a
// designer's property list, a type library).
struct MemberHelp {
  std::string_view member;
  std::string_view text;
};

inline constexpr MemberHelp kMemberHelp[] = {
    {"AnimatedGIF", "Returns/sets a graphic to be displayed in a control"},
    {"CurrentFrame", "Returns the current frame"},
    {"Enabled",
     "Returns/sets a value that determines whether an object can respond to user-generated "
     "events"},
    {"FrameCount", "Returns the number of frames within the GIF"},
    {"ActualWidth", "Original width of the overall GIF image"},
    {"ActualHeight", "Original height of the overall GIF image"},
    {"Stretch",
     "Returns/sets a value that determines whether a graphic resizes to fit the size of an "
     "Image control"},
    {"MinFrameDelay",
     "The minimum number of milliseconds a frame will remain before it is replaced."},
    {"Loops",
     "The number of loops that will occur before animation stops. Zero will loop infintely"},
    {"LoopsRemaining", "Returns remaining number of loops before animation terminates"},
    {"Mirrored", "Mirrors images either horizontally or vertically"},
    {"Action", "Start, Stop and Pause animation"},
    {"DelayAnimation",
     "During runtime, animation is paused until the first frame is loaded and displayed"},
    {"MouseIcon", "Sets a custom mouse icon"},
    {"MousePointer",
     "Returns/sets the type of mouse pointer displayed when over part of an object"},
    {"OffsetX", "Adjusts left edge of rendered frame by n pixels"},
    {"OffsetY", "Adjusts top edge of rendered frame by n pixels"},
    {"SolidBkgColor", "Transparent GIFs will be rendered over this background color"},
    {"SolidBkgColorUsed", "Use the SolidBkgColor property otherwise ignore it"},
    {"SteppedDelay",
     "Forces all frames to be rendered by the value provided. Zero erases SteppedDelay"},
    {"LoadAnimatedGIF_File", "Optional method to assign a GIF"},
    {"LoadAnimatedGIF_Remote", "Optional method to assign a GIF"},
    {"LoadAnimatedGIF_Array", "Optional method to assign a GIF"},
    {"GetPalette", "Returns palette entries for a selected frame"},
    {"SetPalette", "Sets palette entries for a selected frame"},
    {"CacheColorTables",
     "Have control save GIF color tables in preparation of callig SetPalette and later "
     "restoring original palette"},
    {"RestoreColorTables", "Restores GIF color tables to those cached from CacheColorTables"},
    {"Refresh", "Forces a complete repaint of a object"},
    {"Click", "Occurs when the user presses and then releases a mouse button over an object"},
    {"MouseDown", "Occurs when the user presses the mouse button while an object has the focus"},
    {"MouseMove", "Occurs when the user moves the mouse"},
    {"MouseUp", "Occurs when the user releases the mouse button while an object has the focus"},
    {"FrameChanged", "Event that occurs when any frame is rendered manually or via a timer"},
    {"LoopsEnded", "Event that occurs when all loops for the GIF have terminated"},
    {"RemoteLoadComplete", "Event that occurs when a remotely loaded GIF has been validated"},
    {"RemoteLoadFailure", "Event that occurs when a remotely loaded GIF failed to be read"},
};

// The description of a member; empty for a name the control does not have.
constexpr std::string_view HelpText(std::string_view member) {
  for (const MemberHelp& h : kMemberHelp) {
    if (h.member == member) return h.text;
  }
  return {};
}

// The dispatch identifier under which hosts expect the standard Enabled
// property.
inline constexpr int kDispidEnabled = -514;

}  // namespace veltrano::anigif::texts
