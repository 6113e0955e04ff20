// The main window's own texts, kept together.
#pragma once

#include <array>
#include <string_view>

#include "veltrano_version.h"

namespace veltrano::texts {

inline constexpr std::string_view kWindowCaption = "Veltrano" VELTRANO_VERSION "正式版";
inline constexpr std::string_view kAppTitle = "Veltrano";  // caption of boxes without their own
inline constexpr std::string_view kBannerTooltip = "点击此处登录作者主页!";

inline constexpr std::string_view kMenuQim = "U盘杀毒";
inline constexpr std::string_view kMenuKhdd = "硬盘杀毒";
inline constexpr std::string_view kMenuReudir = "U盘修复";
inline constexpr std::string_view kMenuClean = "磁盘清理";
inline constexpr std::string_view kMenuCleanStop = "停  止";
inline constexpr std::string_view kMenuHelp = "最新帮助";
inline constexpr std::string_view kMenuNet = "主页留言";

inline constexpr std::string_view kLabel1Initial = "label1";

// Web pages opened by the link commands and the banner.
inline constexpr std::string_view kHomePageUrl = "https://veltrano.example.com/";
inline constexpr std::string_view kHelpPageUrl = "https://veltrano.example.com/help.html";

// The 17 introduction lines shown in List1 until the first command clears it.
inline constexpr std::array<std::string_view, 17> kIntroduction = {
    "一、功能介绍：",
    "  ·U盘杀毒:清除可移动磁盘中的Auto类型病毒。",
    "  ·硬盘杀毒:清除本地磁盘中的Auto类型病毒。",
    "  ·U盘修复:恢复受病毒破坏而丢失的文件资料。",
    "  ·磁盘清理:全盘清除电脑中所有无用文件。",
    "二、软件特色：",
    "  ·仅一个文件,容量小,绿色软件,不修改系统。",
    "  ·查毒率100%,查杀毒闪速,仅需1~2秒。",
    "三、使用建议:",
    "  ·在其它电脑使用过的U盘,打开前先杀毒一次。",
    "  ·杀毒后仍有文件打不开时,建议先用作者的数据恢复",
    "    工具找回文件,再杀毒一次。",
    "四、关于本软件:",
    "  ·作者多年来专注于小巧实用的免费系统工具。",
    "  ·本软件为系列免费软件之一,欢迎复制传播。",
    "  ·仅供个人免费使用,请勿用于商业用途。",
    "  ·想在本软件添加显示您的信息,欢迎与作者联系!",
};

}  // namespace veltrano::texts
