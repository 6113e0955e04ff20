// The texts of the self-install offer, on every platform.
#pragma once

#include <string_view>

namespace veltrano::install_texts {

// The offer: kOfferBefore + the folder the program is copied to + kOfferAfter.
inline constexpr std::string_view kOfferBefore = "是否将“Veltrano”安装到电脑";
inline constexpr std::string_view kOfferAfter = ",并添加桌面快捷方式？";
inline constexpr std::string_view kOfferCaption = "推荐安装";
inline constexpr std::string_view kWelcomeText = "安装完毕！请从桌面运行Veltrano!";
inline constexpr std::string_view kWelcomeCaption = "欢迎使用";

// A failed installation: kFailedHeading + the step + "\n" + kReasonLabel + the reason.
inline constexpr std::string_view kFailedHeading = "安装未完成：";
inline constexpr std::string_view kReasonLabel = "原因：";
inline constexpr std::string_view kStepCreateFolder = "无法创建文件夹 ";
inline constexpr std::string_view kStepDesktop = "无法找到桌面文件夹";
inline constexpr std::string_view kStepCopyProgram = "无法将程序复制到 ";
inline constexpr std::string_view kStepWriteIcon = "无法写入图标 ";
inline constexpr std::string_view kStepWriteShortcut = "无法创建桌面快捷方式 ";
// The reason given when the administrator's consent to the copy was refused.
inline constexpr std::string_view kConsentRefused = "未获得管理员许可，复制已取消";

}  // namespace veltrano::install_texts
