// The texts the junk search and the cleanup command show, kept together.
#pragma once

#include <string_view>

namespace veltrano::cleanup::texts {

// Status strip while a folder is searched: followed directly by the folder path.
inline constexpr std::string_view kSearching = "正在查找";
// Status strip after the search: followed directly by the number of files found.
inline constexpr std::string_view kFoundCount = "查找到无用（垃圾）文件个数: ";

inline constexpr std::string_view kConfirmText = "是否删除所有文件?";
inline constexpr std::string_view kConfirmCaption = "删除";

// Replacements of a listed line in the deletion pass, followed by the path.
inline constexpr std::string_view kDeleted = "删除 ";
inline constexpr std::string_view kDeleteFailed = "删除失败 ";

inline constexpr std::string_view kCleanupDone = "磁盘清理完毕！";
inline constexpr std::string_view kNothingToClean = "没有可清理文件！";

}  // namespace veltrano::cleanup::texts
