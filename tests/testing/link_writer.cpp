#include "tests/testing/link_writer.h"

#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace veltrano::sweep::testing {
namespace {

// Appends little-endian fields and texts to a byte string.
class Out {
 public:
  explicit Out(std::string& bytes) : b_(bytes) {}
  size_t size() const { return b_.size(); }
  void U8(uint8_t v) { b_ += static_cast<char>(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void Zeros(size_t n) { b_.append(n, '\0'); }
  void Raw(const std::string& s) { b_ += s; }
  void Patch16(size_t at, uint16_t v) {
    b_[at] = static_cast<char>(v);
    b_[at + 1] = static_cast<char>(v >> 8);
  }
  void Patch32(size_t at, uint32_t v) {
    Patch16(at, static_cast<uint16_t>(v));
    Patch16(at + 2, static_cast<uint16_t>(v >> 16));
  }

 private:
  std::string& b_;
};

// UTF-8 to UTF-16 little-endian bytes (well-formed input assumed: test data).
std::string Utf16(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < text.size(); ++k) {
      cp = cp << 6 | (static_cast<uint8_t>(text[i + k]) & 0x3F);
    }
    i += 1 + extra;
    const auto unit = [&](char32_t u) {
      out += static_cast<char>(u & 0xFF);
      out += static_cast<char>(u >> 8);
    };
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

const uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
const uint8_t kMyComputer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// An 8.3 name as the file system would make it for `name`.
std::string ShortName(const std::string& name) {
  const size_t dot = name.rfind('.');
  const std::string stem = name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  bool plain = stem.size() <= 8 && ext.size() <= 3 && !stem.empty();
  for (char c : name) plain = plain && c > ' ' && static_cast<uint8_t>(c) < 0x80;
  if (plain) return name;
  std::string shortStem;
  for (char c : stem) {
    if (shortStem.size() < 6 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
      shortStem += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
  }
  return shortStem + "~1" + (ext.empty() ? "" : "." + ext.substr(0, 3));
}

void FileEntryItem(Out& out, const std::string& name, bool folder, const LinkShape& shape) {
  const size_t start = out.size();
  out.U16(0);  // size, patched below
  out.U8(folder ? 0x31 : 0x32);
  out.U8(0);
  out.U32(0);                   // file size
  out.U32(0x00215A8C);          // modification time (FAT)
  out.U16(folder ? 0x10 : 0x20);  // attributes
  out.Raw(shape.longNames ? ShortName(name) : Utf8ToGbk(name));
  out.U8(0);
  if ((out.size() - start) % 2) out.U8(0);
  if (shape.longNames) {
    const size_t block = out.size();
    const uint16_t version = shape.extensionVersion;
    const size_t nameAt = version >= 9 ? 0x2E : version == 8 ? 0x2A : version == 7 ? 0x26 : 0x14;
    out.U16(0);  // size, patched below
    out.U16(version);
    out.U32(0xBEEF0004);
    out.U32(0x00215A8C);  // created
    out.U32(0x00215A8C);  // accessed
    out.U16(static_cast<uint16_t>(nameAt));
    out.Zeros(nameAt - 18);
    out.Raw(Utf16(name));
    out.U16(0);
    out.U16(static_cast<uint16_t>(block - start));
    out.Patch16(block, static_cast<uint16_t>(out.size() - block));
  }
  out.Patch16(start, static_cast<uint16_t>(out.size() - start));
}

void IdList(Out& out, const LinkShape& shape) {
  const size_t start = out.size();
  out.U16(0);  // size, patched below
  // My Computer.
  out.U16(0x14);
  out.U8(0x1F);
  out.U8(0x50);
  for (uint8_t b : kMyComputer) out.U8(b);
  const std::vector<std::string> parts = SplitPath(shape.idListTarget);
  // The drive: "C:\" in a 25-byte item.
  out.U16(0x19);
  out.U8(0x2F);
  out.Raw(parts.at(0) + "\\");
  out.Zeros(0x19 - 3 - parts[0].size() - 1);
  for (size_t i = 1; i < parts.size(); ++i) {
    FileEntryItem(out, parts[i], i + 1 < parts.size() || shape.targetIsFolder, shape);
  }
  out.U16(0);  // the terminal item
  out.Patch16(start, static_cast<uint16_t>(out.size() - start - 2));
}

void LinkInfo(Out& out, const LinkShape& shape) {
  const size_t start = out.size();
  const uint32_t headerSize = shape.linkInfoUnicode ? 0x24 : 0x1C;
  out.U32(0);  // size, patched below
  out.U32(headerSize);
  out.U32(1);  // VolumeIDAndLocalBasePath
  out.U32(headerSize);  // the volume ID right after the header
  out.U32(0);           // local base path, patched below
  out.U32(0);           // no network link
  out.U32(0);           // common path suffix, patched below
  if (shape.linkInfoUnicode) {
    out.U32(0);
    out.U32(0);
  }
  // The volume ID: a fixed disk without a label.
  out.U32(0x11);
  out.U32(3);
  out.U32(0x1CE5A1D0);
  out.U32(0x10);
  out.U8(0);
  out.Patch32(start + 0x10, static_cast<uint32_t>(out.size() - start));
  out.Raw(Utf8ToGbk(shape.linkInfoTarget));
  out.U8(0);
  out.Patch32(start + 0x18, static_cast<uint32_t>(out.size() - start));
  out.Raw(Utf8ToGbk(shape.linkInfoSuffix));
  out.U8(0);
  if (shape.linkInfoUnicode) {
    out.Patch32(start + 0x1C, static_cast<uint32_t>(out.size() - start));
    out.Raw(Utf16(shape.linkInfoTarget));
    out.U16(0);
    out.Patch32(start + 0x20, static_cast<uint32_t>(out.size() - start));
    out.Raw(Utf16(shape.linkInfoSuffix));
    out.U16(0);
  }
  out.Patch32(start, static_cast<uint32_t>(out.size() - start));
}

void CountedString(Out& out, const std::string& text, bool unicode) {
  const std::string bytes = unicode ? Utf16(text) : Utf8ToGbk(text);
  out.U16(static_cast<uint16_t>(unicode ? bytes.size() / 2 : bytes.size()));
  out.Raw(bytes);
}

void EnvironmentBlock(Out& out, const LinkShape& shape) {
  out.U32(0x314);
  out.U32(0xA0000001);
  const std::string ansi = Utf8ToGbk(shape.environmentTarget).substr(0, 259);
  out.Raw(ansi);
  out.Zeros(260 - ansi.size());
  const std::string wide = shape.environmentUnicode ? Utf16(shape.environmentTarget).substr(0, 518) : "";
  out.Raw(wide);
  out.Zeros(520 - wide.size());
}

}  // namespace

void WrittenLink::Put16(size_t at, uint16_t value) {
  Out(bytes).Patch16(at, value);
}
void WrittenLink::Put32(size_t at, uint32_t value) {
  Out(bytes).Patch32(at, value);
}

std::string Utf8ToGbk(const std::string& text) {
  if (text.empty()) return text;
#ifdef _WIN32
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  const int m = ::WideCharToMultiByte(936, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(m), '\0');
  ::WideCharToMultiByte(936, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
  return out;
#else
  iconv_t cd = iconv_open("CP936", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP936 converter");
  std::string out(text.size() * 2, '\0');
  char* src = const_cast<char*>(text.data());
  size_t srcLeft = text.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t done = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) throw std::runtime_error("not in code page 936: " + text);
  out.resize(out.size() - dstLeft);
  return out;
#endif
}

WrittenLink WriteLink(const LinkShape& shape) {
  WrittenLink link;
  Out out(link.bytes);
  uint32_t flags = 0;
  if (!shape.idListTarget.empty()) flags |= 0x1;
  if (!shape.linkInfoTarget.empty()) flags |= 0x2;
  if (!shape.name.empty()) flags |= 0x4;
  if (!shape.relativePath.empty()) flags |= 0x8;
  if (!shape.workingDir.empty()) flags |= 0x10;
  if (!shape.arguments.empty()) flags |= 0x20;
  if (!shape.iconLocation.empty()) flags |= 0x40;
  if (shape.unicode) flags |= 0x80;
  if (!shape.environmentTarget.empty() && shape.environmentFlag) flags |= 0x200;

  out.U32(0x4C);
  for (uint8_t b : kLinkClsid) out.U8(b);
  out.U32(flags);
  out.U32(shape.targetIsFolder ? 0x10 : 0x20);  // the target's attributes
  out.Zeros(24);                                // three times
  out.U32(0);                                   // file size
  out.U32(0);                                   // icon index
  out.U32(1);                                   // SW_SHOWNORMAL
  out.Zeros(12);                                // hot key, reserved

  if (flags & 0x1) {
    link.idList = out.size();
    IdList(out, shape);
  }
  if (flags & 0x2) {
    link.linkInfo = out.size();
    LinkInfo(out, shape);
  }
  link.strings = out.size();
  for (const std::string* s : {&shape.name, &shape.relativePath, &shape.workingDir, &shape.arguments,
                               &shape.iconLocation}) {
    if (!s->empty()) CountedString(out, *s, shape.unicode);
  }
  if (link.strings == out.size()) link.strings = 0;
  link.extraData = out.size();
  if (!shape.environmentTarget.empty()) EnvironmentBlock(out, shape);
  out.U32(0);  // the terminal block
  return link;
}

}  // namespace veltrano::sweep::testing
