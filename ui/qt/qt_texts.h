// Texts of the Qt front end that the window model does not own.
#pragma once

namespace veltrano::qt::texts {

// Message-box buttons, as a Chinese desktop labels them.
inline constexpr const char* kButtonOk = "确定";
inline constexpr const char* kButtonYes = "是(&Y)";
inline constexpr const char* kButtonNo = "否(&N)";

}  // namespace veltrano::qt::texts
