// Writes Windows shell links (.lnk files) for tests: shortcuts as the shell
// saves them, each part of the target optional, so that a test can give the
// target by the ID list only, by LinkInfo only, by the environment block
// only, or by a relative path, and patch the bytes for damaged variants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace veltrano::sweep::testing {

// What the link holds. Texts are UTF-8; an empty text leaves its part out.
struct LinkShape {
  // The ID list: My Computer, the drive, then one file-entry item per name
  // ("C:\Windows\System32\cmd.exe"). The last item is a file unless
  // `targetIsFolder`.
  std::string idListTarget;
  // LinkInfo: the local base path, and the common path suffix after it.
  std::string linkInfoTarget;
  std::string linkInfoSuffix;
  // The environment-variables block ("%windir%\system32\cmd.exe") and, with
  // `environmentFlag`, the header flag that tells the shell to use it.
  std::string environmentTarget;
  std::string relativePath;  // ".\x.vbs"
  std::string arguments;
  std::string workingDir;
  std::string name;  // the description
  std::string iconLocation;

  bool unicode = true;             // strings in UTF-16; false: code page 936
  bool targetIsFolder = false;     // the last ID list item is a folder
  bool longNames = true;           // items carry a 0xBEEF0004 block with the long name;
                                   // false: only the name in code page 936
  uint16_t extensionVersion = 9;   // that block's version: 3, 7, 8 or 9
  bool linkInfoUnicode = false;    // LinkInfo also holds its paths in UTF-16
  bool environmentUnicode = true;  // the block's UTF-16 target is filled, not only its ANSI one
  bool environmentFlag = true;
};

// The bytes of a link, with where each part starts (0: the link lacks it).
struct WrittenLink {
  std::string bytes;
  size_t idList = 0;     // the ID list's size field
  size_t linkInfo = 0;   // LinkInfo's size field
  size_t strings = 0;    // the first counted string
  size_t extraData = 0;  // the first extra data block (the terminal one when there is none)

  std::span<const uint8_t> span() const {
    return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  }
  // Little-endian field writes for damaged variants.
  void Put16(size_t at, uint16_t value);
  void Put32(size_t at, uint32_t value);
};

WrittenLink WriteLink(const LinkShape& shape);

// UTF-8 to code page 936 (GBK), as a non-Unicode link stores its texts.
std::string Utf8ToGbk(const std::string& text);

}  // namespace veltrano::sweep::testing
