#include "sweep/shell_link.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/text/text.h"

namespace veltrano::sweep {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr std::array<uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, "My Computer", as stored.
constexpr std::array<uint8_t, 16> kMyComputer = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

constexpr uint32_t kEnvironmentSignature = 0xA0000001;
constexpr uint32_t kEnvironmentBlockSize = 0x314;
constexpr size_t kEnvironmentAnsiChars = 260;
constexpr uint32_t kFileEntryExtension = 0xBEEF0004;

// A window on the bytes; every read says whether it was in range.
class Bytes {
 public:
  explicit Bytes(std::span<const uint8_t> data) : data_(data) {}
  size_t size() const { return data_.size(); }
  bool Has(size_t at, size_t count) const { return at <= data_.size() && count <= data_.size() - at; }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8); }
  uint32_t U32(size_t at) const {
    return static_cast<uint32_t>(U16(at)) | static_cast<uint32_t>(U16(at + 2)) << 16;
  }
  std::string_view Chars(size_t at, size_t count) const {
    return {reinterpret_cast<const char*>(data_.data() + at), count};
  }
  Bytes Sub(size_t at, size_t count) const { return Bytes(data_.subspan(at, count)); }
  bool Equals(size_t at, std::span<const uint8_t> what) const {
    return Has(at, what.size()) && std::memcmp(data_.data() + at, what.data(), what.size()) == 0;
  }

  // A NUL-terminated string of one-byte characters in [at, end of window);
  // nullopt when no NUL ends it there.
  std::optional<std::string_view> Ansi(size_t at) const {
    if (at >= data_.size()) return std::nullopt;
    const std::string_view rest = Chars(at, data_.size() - at);
    const size_t nul = rest.find('\0');
    if (nul == std::string_view::npos) return std::nullopt;
    return rest.substr(0, nul);
  }
  // The same for UTF-16 (little-endian) characters; the bytes without the NUL.
  std::optional<std::string_view> Wide(size_t at) const {
    for (size_t i = at; Has(i, 2); i += 2) {
      if (U16(i) == 0) return Chars(at, i - at);
    }
    return std::nullopt;
  }

 private:
  std::span<const uint8_t> data_;
};

std::string FromWide(std::string_view bytes) {
  return text::Utf16ToUtf8(bytes, false);
}
std::string FromCodePage(std::string_view bytes) {
  return text::GbkToUtf8(bytes);
}

void AppendComponent(std::string& path, std::string_view name) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += name;
}

// The long name in a file entry's 0xBEEF0004 extension block: false when the
// block is damaged; `name` stays empty when the block is of a version whose
// layout is unknown or holds an empty name. Where the name starts depends on
// the block's version (XP 3, Vista 7, Windows 7 8, Windows 8 and later 9).
bool ReadLongName(Bytes block, std::string& name) {
  const uint16_t version = block.U16(2);
  size_t at = 0;
  if (version >= 9) {
    at = 0x2E;
  } else if (version == 8) {
    at = 0x2A;
  } else if (version == 7) {
    at = 0x26;
  } else if (version == 3) {
    at = 0x14;
  } else {
    return true;
  }
  // The block ends with the 16-bit offset of its own start.
  if (block.size() < at + 2) return false;
  const auto wide = block.Sub(0, block.size() - 2).Wide(at);
  if (!wide) return false;
  name = FromWide(*wide);
  return true;
}

// One shell item of the ID list (the size field included). Adds to `path`
// what the item contributes, or clears `known` when the item is one no path
// can be made of. false when the item is damaged.
bool ReadItem(Bytes item, std::string& path, bool& known, bool first) {
  if (item.size() < 3) {
    known = false;
    return true;
  }
  const uint8_t type = item.Chars(2, 1)[0] & 0xFF;
  if (type == 0x1F) {
    // A root folder: only "My Computer", and only at the start, leads to a drive.
    if (!first || item.size() < 20 || !item.Equals(4, kMyComputer)) known = false;
    return true;
  }
  if ((type & 0x70) == 0x20) {
    // A volume: "E:\" as one-byte characters.
    const auto drive = item.Ansi(3);
    if (!drive) return false;
    const char c = drive->empty() ? '\0' : (*drive)[0];
    const bool letter = drive->size() >= 2 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) &&
                        (*drive)[1] == ':' &&
                        (drive->size() == 2 || (drive->size() == 3 && (*drive)[2] == '\\'));
    if (!letter || !path.empty()) {
      known = false;
      return true;
    }
    path = std::string(drive->substr(0, 2)) + "\\";
    return true;
  }
  if ((type & 0x70) == 0x30) {
    // A file or folder: a short name at 14 (UTF-16 when bit 0x04 says so),
    // then extension blocks, one of which may hold the long name.
    if (item.size() < 16) return false;
    const bool wideShort = (type & 0x04) != 0;
    const auto shortName = wideShort ? item.Wide(14) : item.Ansi(14);
    if (!shortName) return false;
    size_t at = 14 + shortName->size() + (wideShort ? 2 : 1);
    at += at & 1;
    std::string longName;
    // Each step moves on by at least 8 bytes. Bytes that do not form a
    // block (padding of older writers) end the search.
    while (item.Has(at, 8)) {
      const size_t size = item.U16(at);
      if (size < 8 || !item.Has(at, size)) break;
      if (item.U32(at + 4) == kFileEntryExtension) {
        if (!ReadLongName(item.Sub(at, size), longName)) return false;
        break;
      }
      at += size;
    }
    if (!path.empty() && known) {
      AppendComponent(path, !longName.empty() ? longName
                                              : (wideShort ? FromWide(*shortName) : FromCodePage(*shortName)));
    } else {
      known = false;
    }
    return true;
  }
  known = false;
  return true;
}

// The ID list after its size field: items until the empty one, all inside
// the stated size. nullopt when damaged.
std::optional<std::string> ReadIdList(Bytes list) {
  std::string path;
  bool known = true;
  size_t at = 0;
  for (bool first = true;; first = false) {
    if (!list.Has(at, 2)) return std::nullopt;
    const size_t size = list.U16(at);
    if (size == 0) break;
    if (size < 2 || !list.Has(at, size)) return std::nullopt;
    if (!ReadItem(list.Sub(at, size), path, known, first)) return std::nullopt;
    at += size;
  }
  return known ? path : std::string();
}

// A string of the LinkInfo structure at offset `offset`; nullopt when the
// offset or the string's end lies outside the structure.
std::optional<std::string> InfoString(Bytes info, uint32_t offset, bool wide) {
  if (offset >= info.size()) return std::nullopt;
  const auto s = wide ? info.Wide(offset) : info.Ansi(offset);
  if (!s) return std::nullopt;
  return wide ? FromWide(*s) : FromCodePage(*s);
}

// The LinkInfo structure (all of it): local base path + common path suffix,
// Unicode forms preferred. nullopt when damaged.
std::optional<std::string> ReadLinkInfo(Bytes info) {
  if (info.size() < 0x1C) return std::nullopt;
  const uint32_t headerSize = info.U32(4);
  const uint32_t flags = info.U32(8);
  if (headerSize < 0x1C || headerSize > info.size()) return std::nullopt;
  const bool hasUnicode = headerSize >= 0x24;
  if (!(flags & 0x1)) return std::string();  // a network target: no local path
  auto base = InfoString(info, info.U32(0x10), false);
  auto suffix = InfoString(info, info.U32(0x18), false);
  if (!base || !suffix) return std::nullopt;
  if (hasUnicode) {
    if (const uint32_t at = info.U32(0x1C); at != 0) {
      base = InfoString(info, at, true);
      if (!base) return std::nullopt;
    }
    if (const uint32_t at = info.U32(0x20); at != 0) {
      suffix = InfoString(info, at, true);
      if (!suffix) return std::nullopt;
    }
  }
  if (base->empty()) return std::string();
  std::string path = *base;
  if (!suffix->empty()) {
    if (path.back() != '\\' && suffix->front() != '\\') path += '\\';
    path += *suffix;
  }
  return path;
}

// The environment-variables block (size field onwards): its Unicode target
// when it has one, else its code-page one, expanded.
std::optional<std::string> ReadEnvironmentBlock(Bytes block) {
  if (block.size() < kEnvironmentBlockSize) return std::nullopt;
  const auto ansi = block.Sub(8, kEnvironmentAnsiChars).Ansi(0);
  const auto wide = block.Sub(8 + kEnvironmentAnsiChars, 2 * kEnvironmentAnsiChars).Wide(0);
  if (!ansi || !wide) return std::nullopt;
  return ExpandWindowsDefaults(wide->empty() ? FromCodePage(*ansi) : FromWide(*wide));
}

struct DefaultVariable {
  std::string_view name;
  std::string_view value;
};
constexpr DefaultVariable kDefaults[] = {
    {"windir", "C:\\Windows"},
    {"SystemRoot", "C:\\Windows"},
    {"SystemDrive", "C:"},
    {"HOMEDRIVE", "C:"},
    {"ComSpec", "C:\\Windows\\system32\\cmd.exe"},
    {"ProgramFiles", "C:\\Program Files"},
    {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
    {"ProgramW6432", "C:\\Program Files"},
    {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
    {"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"},
    {"CommonProgramW6432", "C:\\Program Files\\Common Files"},
    {"ProgramData", "C:\\ProgramData"},
    {"ALLUSERSPROFILE", "C:\\ProgramData"},
    {"PUBLIC", "C:\\Users\\Public"},
};

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

const std::string& ShellLink::Target() const {
  if ((flags & kHasExpString) != 0 && !environmentPath.empty()) return environmentPath;
  if (!idListPath.empty()) return idListPath;
  if (!linkInfoPath.empty()) return linkInfoPath;
  return relativePath;
}

std::string ExpandWindowsDefaults(std::string_view text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('%', at);
    if (open == std::string_view::npos) break;
    const size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out += text.substr(at, open - at);
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const auto known = std::find_if(std::begin(kDefaults), std::end(kDefaults),
                                    [&](const DefaultVariable& v) { return SameNameIgnoringCase(v.name, name); });
    if (known != std::end(kDefaults)) {
      out += known->value;
      at = close + 1;
    } else {
      // Not a variable this reader knows: the text stays, and its closing
      // '%' may open the next one ("%a%windir%" keeps "%a" and expands).
      out += text.substr(open, close - open);
      at = close;
    }
  }
  out += text.substr(at);
  return out;
}

std::optional<ShellLink> ParseShellLink(std::span<const uint8_t> bytes) {
  const Bytes data(bytes.first(std::min(bytes.size(), kMaxLinkBytes)));
  if (!data.Has(0, kHeaderSize) || data.U32(0) != kHeaderSize || !data.Equals(4, kLinkClsid)) {
    return std::nullopt;
  }
  ShellLink link;
  link.flags = data.U32(0x14);
  const bool unicode = link.flags & ShellLink::kIsUnicode;
  size_t at = kHeaderSize;

  if (link.flags & ShellLink::kHasLinkTargetIdList) {
    if (!data.Has(at, 2)) return std::nullopt;
    const size_t size = data.U16(at);
    at += 2;
    if (!data.Has(at, size)) return std::nullopt;
    auto path = ReadIdList(data.Sub(at, size));
    if (!path) return std::nullopt;
    link.idListPath = std::move(*path);
    at += size;
  }

  if (link.flags & ShellLink::kHasLinkInfo) {
    if (!data.Has(at, 4)) return std::nullopt;
    const size_t size = data.U32(at);
    if (size < 4 || !data.Has(at, size)) return std::nullopt;
    auto path = ReadLinkInfo(data.Sub(at, size));
    if (!path) return std::nullopt;
    if (!(link.flags & ShellLink::kForceNoLinkInfo)) link.linkInfoPath = std::move(*path);
    at += size;
  }

  // The counted strings, in this order when their flags are set.
  const std::pair<uint32_t, std::string*> strings[] = {
      {ShellLink::kHasName, &link.name},
      {ShellLink::kHasRelativePath, &link.relativePath},
      {ShellLink::kHasWorkingDir, &link.workingDir},
      {ShellLink::kHasArguments, &link.arguments},
      {ShellLink::kHasIconLocation, &link.iconLocation},
  };
  for (const auto& [flag, field] : strings) {
    if (!(link.flags & flag)) continue;
    if (!data.Has(at, 2)) return std::nullopt;
    const size_t count = data.U16(at) * (unicode ? 2u : 1u);
    at += 2;
    if (!data.Has(at, count)) return std::nullopt;
    const std::string_view raw = data.Chars(at, count);
    *field = unicode ? FromWide(raw) : FromCodePage(raw);
    // Some writers count the terminating NUL too; a string ends at its first.
    if (const size_t nul = field->find('\0'); nul != std::string::npos) field->resize(nul);
    at += count;
  }

  // Extra data blocks up to the terminal block (a size below 4). Each step
  // moves on by at least 8 bytes.
  for (;;) {
    if (!data.Has(at, 4)) return std::nullopt;
    const size_t size = data.U32(at);
    if (size < 4) break;
    if (size < 8 || !data.Has(at, size)) return std::nullopt;
    if (data.U32(at + 4) == kEnvironmentSignature) {
      auto path = ReadEnvironmentBlock(data.Sub(at, size));
      if (!path) return std::nullopt;
      link.environmentPath = std::move(*path);
    }
    at += size;
  }
  return link;
}

}  // namespace veltrano::sweep
