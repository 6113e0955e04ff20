// Reader of Windows shell links (.lnk files): what a shortcut starts, with
// which arguments, in which folder.
//
// A link on a stick is hostile input. The reader looks at no more than
// kMaxLinkBytes, checks every size and offset against what it was given, and
// answers "not a link" (nullopt) for anything it cannot read completely; a
// caller never acts on such a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace veltrano::sweep {

// The most of a file the reader looks at; a caller reads no more than this.
inline constexpr std::size_t kMaxLinkBytes = 64 * 1024;

// What a readable link says. Every text is UTF-8; paths are Windows paths as
// the link holds them (no case change, no normalisation beyond what is said).
struct ShellLink {
  // The header's LinkFlags: which parts the link has.
  static constexpr uint32_t kHasLinkTargetIdList = 0x1;
  static constexpr uint32_t kHasLinkInfo = 0x2;
  static constexpr uint32_t kHasName = 0x4;
  static constexpr uint32_t kHasRelativePath = 0x8;
  static constexpr uint32_t kHasWorkingDir = 0x10;
  static constexpr uint32_t kHasArguments = 0x20;
  static constexpr uint32_t kHasIconLocation = 0x40;
  static constexpr uint32_t kIsUnicode = 0x80;
  static constexpr uint32_t kForceNoLinkInfo = 0x100;
  static constexpr uint32_t kHasExpString = 0x200;
  uint32_t flags = 0;

  // The target as each part of the link gives it; a part the link lacks, or
  // from which no path can be made, is empty.
  std::string idListPath;       // shell item IDs: "C:\Windows\System32\cmd.exe"
  std::string linkInfoPath;     // LinkInfo: local base path + common path suffix
  std::string relativePath;     // the relative-path string, as stored (".\x.vbs")
  std::string environmentPath;  // the environment-variables block, variables
                                // expanded to Windows' defaults
  std::string arguments;        // command-line arguments
  std::string workingDir;       // working folder
  std::string name;             // the description string
  std::string iconLocation;     // the icon location string

  // The path the shell starts, as Windows picks it: the environment block's
  // when the link says it has one, otherwise the ID list's, otherwise
  // LinkInfo's, otherwise the relative path (relative to the link's folder);
  // empty when the link has none of them.
  const std::string& Target() const;
};

// Parses the first kMaxLinkBytes of `bytes` (more is ignored). nullopt when the
// bytes are not a shell link or any part of it is damaged.
std::optional<ShellLink> ParseShellLink(std::span<const uint8_t> bytes);

// Expands %windir%, %SystemRoot%, %ComSpec%, %ProgramFiles% and the other
// usual variables to their values on a default Windows (C:\Windows, ...);
// a variable it does not know stays as written.
std::string ExpandWindowsDefaults(std::string_view text);

}  // namespace veltrano::sweep
