// The texts the folder repair writes to the scan log, kept together.
#pragma once

#include <string_view>

namespace veltrano::repair::texts {

// Followed directly by the drive root and the folder name.
inline constexpr std::string_view kRepaired = "修复丢失文件夹  ";
inline constexpr std::string_view kRepairFailed = "修复失败  ";
// The summary: followed by the count and kSummaryEnd.
inline constexpr std::string_view kSummary = " U盘修复完毕,共修复文件夹： ";
inline constexpr std::string_view kSummaryEnd = "个！";

}  // namespace veltrano::repair::texts
