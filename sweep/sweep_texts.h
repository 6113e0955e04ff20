// The sweep's own texts: the log lines it writes, kept together.
#pragma once

#include <string_view>

namespace veltrano::sweep::texts {

// Endings of a removal line.
inline constexpr std::string_view kRemoved = " 已清除！";
inline constexpr std::string_view kRemoveFailed = " 清除失败！";

// Prefixes of the finding lines (every finding line starts with four blanks).
inline constexpr std::string_view kVirus = "    发现病毒：";  // a program autorun.inf starts
inline constexpr std::string_view kVirusFile = "    发现病毒文件：";  // autorun.inf itself
inline constexpr std::string_view kVirusFolder =
    "    发现可疑病毒文件夹：";  // hidden Autorun.inf folder
inline constexpr std::string_view kFakeFolder = "    发现伪文件夹病毒：";
inline constexpr std::string_view kHiddenSystem = "    发现可疑病毒：";
inline constexpr std::string_view kSuspiciousFile = "    发现可疑病毒文件：";
inline constexpr std::string_view kShortcutVirus = "    发现快捷方式病毒：";  // a worm's shortcut
// What a worm's shortcut starts on the drive is logged with kVirus.

// The folder step of the autorun.inf check.
inline constexpr std::string_view kFolderDeleted = "Autorun.inf 已删除！";
inline constexpr std::string_view kFolderFailed = "Autorun.inf 清除失败！";

// After a fake-folder program: the imitated folder made visible again, or not.
inline constexpr std::string_view kIndent = "    ";
inline constexpr std::string_view kFolderRestored = " 文件夹恢复成功!";
inline constexpr std::string_view kFolderRestoreFailed = " 文件夹恢复失败!";
// After a worm's shortcut: the file it imitated made visible again, or not.
inline constexpr std::string_view kFileRestored = " 文件恢复成功!";
inline constexpr std::string_view kFileRestoreFailed = " 文件恢复失败!";

// The closing summary: prefix, " " + count, suffix.
inline constexpr std::string_view kSummaryPrefix = "    共清除病毒数：";
inline constexpr std::string_view kSummarySuffix = "个！";

// Names as the log shows them, whatever their letter case on the drive.
inline constexpr std::string_view kAutorunFileShown = "autorun.inf";

}  // namespace veltrano::sweep::texts
