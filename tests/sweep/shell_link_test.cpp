// The shell-link reader on links written by the test writer: where the target
// comes from, the texts in both encodings, and damaged links.
#include <gtest/gtest.h>

#include <string>

#include "sweep/shell_link.h"
#include "tests/testing/link_writer.h"

namespace veltrano::sweep {
namespace {

using testing::LinkShape;
using testing::WriteLink;
using testing::WrittenLink;

std::optional<ShellLink> Parse(const WrittenLink& link) {
  return ParseShellLink(link.span());
}
std::optional<ShellLink> Parse(const std::string& bytes) {
  return ParseShellLink({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

// A link whose ID list holds `items` (each with its size field) and the
// terminal item, and nothing else.
std::string LinkWithIdList(const std::string& items) {
  WrittenLink link = WriteLink(LinkShape{});
  link.bytes[0x14] |= 0x01;
  const auto size = static_cast<uint16_t>(items.size() + 2);
  const std::string list = std::string{static_cast<char>(size & 0xFF), static_cast<char>(size >> 8)} +
                           items + std::string(2, '\0');
  return link.bytes.insert(0x4C, list);
}

TEST(ShellLinkTarget, EachSourceAlone) {
  struct Case {
    LinkShape shape;
    std::string ShellLink::*part;  // the one part that holds a path
    std::string target;
  };
  const auto shape = [](auto&& set) {
    LinkShape s;
    set(s);
    return s;
  };
  const Case cases[] = {
      {shape([](LinkShape& s) { s.idListTarget = "C:\\Windows\\System32\\cmd.exe"; }),
       &ShellLink::idListPath, "C:\\Windows\\System32\\cmd.exe"},
      {shape([](LinkShape& s) { s.idListTarget = "E:\\"; }), &ShellLink::idListPath, "E:\\"},
      {shape([](LinkShape& s) {
         s.idListTarget = "E:\\photos";
         s.targetIsFolder = true;
       }),
       &ShellLink::idListPath, "E:\\photos"},
      {shape([](LinkShape& s) { s.linkInfoTarget = "E:\\system volume\\run.vbs"; }),
       &ShellLink::linkInfoPath, "E:\\system volume\\run.vbs"},
      {shape([](LinkShape& s) {
         s.linkInfoTarget = "E:\\";
         s.linkInfoSuffix = "docs\\a.txt";
         s.linkInfoUnicode = true;
       }),
       &ShellLink::linkInfoPath, "E:\\docs\\a.txt"},
      {shape([](LinkShape& s) { s.environmentTarget = "%windir%\\system32\\wscript.exe"; }),
       &ShellLink::environmentPath, "C:\\Windows\\system32\\wscript.exe"},
      {shape([](LinkShape& s) { s.relativePath = ".\\x.vbs"; }), &ShellLink::relativePath, ".\\x.vbs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const auto link = Parse(WriteLink(c.shape));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->Target(), c.target);
    for (auto part : {&ShellLink::idListPath, &ShellLink::linkInfoPath, &ShellLink::environmentPath,
                      &ShellLink::relativePath}) {
      EXPECT_EQ((*link).*part, part == c.part ? c.target : "");
    }
  }
  EXPECT_EQ(Parse(WriteLink(LinkShape{}))->Target(), "");
}

TEST(ShellLinkTarget, PrecedenceAsTheShellPicks) {
  LinkShape shape;
  shape.idListTarget = "C:\\a\\id.exe";
  shape.linkInfoTarget = "C:\\a\\info.exe";
  shape.relativePath = ".\\rel.exe";
  shape.environmentTarget = "%ComSpec%";
  EXPECT_EQ(Parse(WriteLink(shape))->Target(), "C:\\Windows\\system32\\cmd.exe");
  // The block without the header flag is not used.
  shape.environmentFlag = false;
  auto link = Parse(WriteLink(shape));
  EXPECT_EQ(link->environmentPath, "C:\\Windows\\system32\\cmd.exe");
  EXPECT_EQ(link->Target(), "C:\\a\\id.exe");
  shape.idListTarget.clear();
  EXPECT_EQ(Parse(WriteLink(shape))->Target(), "C:\\a\\info.exe");
  shape.linkInfoTarget.clear();
  EXPECT_EQ(Parse(WriteLink(shape))->Target(), ".\\rel.exe");
  // A flagged block that yields nothing leaves the choice to the others.
  shape.environmentFlag = true;
  shape.environmentTarget = "";
  shape.idListTarget = "C:\\a\\id.exe";
  link = Parse(WriteLink(shape));
  ASSERT_TRUE(link);
  EXPECT_EQ(link->Target(), "C:\\a\\id.exe");
}

TEST(ShellLinkTarget, IdListRootsThatLeadNowhereGiveNoPath) {
  LinkShape shape;
  shape.idListTarget = "C:\\Windows\\notepad.exe";
  shape.linkInfoTarget = "C:\\Windows\\write.exe";
  WrittenLink link = WriteLink(shape);
  // Another root folder than My Computer (the GUID's first byte changed).
  link.bytes[link.idList + 2 + 4] = 0x21;
  auto parsed = Parse(link);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->idListPath, "");
  EXPECT_EQ(parsed->Target(), "C:\\Windows\\write.exe");
  // An item of a kind the reader does not know.
  link = WriteLink(shape);
  link.bytes[link.idList + 2 + 0x14 + 2] = 0x71;
  parsed = Parse(link);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->idListPath, "");
}

TEST(ShellLinkTexts, Utf16AndCodePage936) {
  for (const bool unicode : {true, false}) {
    SCOPED_TRACE(unicode ? "UTF-16" : "code page 936");
    LinkShape shape;
    shape.unicode = unicode;
    shape.idListTarget = "C:\\Windows\\System32\\cmd.exe";
    shape.arguments = "/c start 病毒.vbs & explorer \"我的文档\"";
    shape.workingDir = "E:\\资料";
    shape.relativePath = "..\\..\\Windows\\System32\\cmd.exe";
    shape.name = "我的文档";
    shape.iconLocation = "%SystemRoot%\\system32\\SHELL32.dll";
    const auto link = Parse(WriteLink(shape));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->arguments, shape.arguments);
    EXPECT_EQ(link->workingDir, shape.workingDir);
    EXPECT_EQ(link->relativePath, shape.relativePath);
    EXPECT_EQ(link->name, shape.name);
    EXPECT_EQ(link->iconLocation, shape.iconLocation);
  }
}

TEST(ShellLinkTexts, AStringEndsAtItsFirstNul) {
  // Wine's shell counts the terminating NUL in each string.
  for (const bool unicode : {true, false}) {
    LinkShape shape;
    shape.unicode = unicode;
    shape.arguments = std::string("/c x.vbs\0", 9);
    shape.workingDir = std::string("E:\\\0C:\\", 6);
    const auto link = Parse(WriteLink(shape));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->arguments, "/c x.vbs");
    EXPECT_EQ(link->workingDir, "E:\\");
  }
}

TEST(ShellLinkTexts, ChineseNamesInEveryPart) {
  const std::string path = "E:\\资料 2026\\照片\\假文件夹.exe";
  for (const uint16_t version : {3, 7, 8, 9}) {
    LinkShape shape;
    shape.idListTarget = path;
    shape.extensionVersion = version;
    EXPECT_EQ(Parse(WriteLink(shape))->idListPath, path) << "extension version " << version;
  }
  LinkShape shape;
  shape.idListTarget = path;
  shape.longNames = false;  // the names in the code page only
  EXPECT_EQ(Parse(WriteLink(shape))->idListPath, path);
  shape = {};
  shape.linkInfoTarget = path;
  EXPECT_EQ(Parse(WriteLink(shape))->linkInfoPath, path);
  shape.linkInfoUnicode = true;
  EXPECT_EQ(Parse(WriteLink(shape))->linkInfoPath, path);
  // The block's UTF-16 target wins over its ANSI one; ANSI alone is read too.
  shape = {};
  shape.environmentTarget = "%SystemDrive%\\程序\\运行.exe";
  WrittenLink both = WriteLink(shape);
  both.bytes[both.extraData + 8] = 'X';  // the ANSI copy differs
  EXPECT_EQ(Parse(both)->environmentPath, "C:\\程序\\运行.exe");
  shape.environmentUnicode = false;
  EXPECT_EQ(Parse(WriteLink(shape))->environmentPath, "C:\\程序\\运行.exe");
}

TEST(ShellLinkTexts, ExpandsTheUsualVariablesOnly) {
  EXPECT_EQ(ExpandWindowsDefaults("%WINDIR%\\System32\\cmd.exe"), "C:\\Windows\\System32\\cmd.exe");
  EXPECT_EQ(ExpandWindowsDefaults("%comspec%"), "C:\\Windows\\system32\\cmd.exe");
  EXPECT_EQ(ExpandWindowsDefaults("%ProgramFiles(x86)%\\a;%ProgramFiles%\\b"),
            "C:\\Program Files (x86)\\a;C:\\Program Files\\b");
  EXPECT_EQ(ExpandWindowsDefaults("%SystemDrive%%ALLUSERSPROFILE%|%ProgramData%|%CommonProgramFiles%"),
            "C:C:\\ProgramData|C:\\ProgramData|C:\\Program Files\\Common Files");
  // Unknown names, a lone '%', an empty pair stay; a '%' that closes an
  // unknown name can open a known one.
  EXPECT_EQ(ExpandWindowsDefaults("%TEMP%\\x %% 50% done"), "%TEMP%\\x %% 50% done");
  EXPECT_EQ(ExpandWindowsDefaults("100%windir%"), "100C:\\Windows");
  EXPECT_EQ(ExpandWindowsDefaults("%a%windir%"), "%aC:\\Windows");
}

TEST(ShellLinkDamaged, EveryTruncationIsNotALink) {
  LinkShape shape;
  shape.idListTarget = "C:\\Windows\\System32\\cmd.exe";
  shape.linkInfoTarget = "C:\\Windows\\System32\\cmd.exe";
  shape.linkInfoUnicode = true;
  shape.environmentTarget = "%windir%\\system32\\cmd.exe";
  shape.relativePath = "..\\Windows\\System32\\cmd.exe";
  shape.arguments = "/c x.vbs";
  shape.workingDir = "E:\\";
  for (const bool unicode : {true, false}) {
    shape.unicode = unicode;
    const WrittenLink link = WriteLink(shape);
    ASSERT_TRUE(Parse(link));
    for (size_t n = 0; n < link.bytes.size(); ++n) {
      // A copy of exactly n bytes, so that a sanitizer sees any read past it.
      const std::string cut = link.bytes.substr(0, n);
      EXPECT_FALSE(Parse(cut)) << "cut at " << n << " of " << link.bytes.size();
    }
  }
}

TEST(ShellLinkDamaged, HeaderThatIsNotALink) {
  LinkShape shape;
  shape.idListTarget = "C:\\Windows\\System32\\cmd.exe";
  WrittenLink link = WriteLink(shape);
  link.Put32(0, 0x4D);
  EXPECT_FALSE(Parse(link));
  link = WriteLink(shape);
  link.bytes[4 + 15] = 0x47;  // another CLSID
  EXPECT_FALSE(Parse(link));
  EXPECT_FALSE(Parse(std::string(76, '\0')));
}

TEST(ShellLinkDamaged, IdListSizes) {
  LinkShape shape;
  shape.idListTarget = "C:\\Windows\\System32\\cmd.exe";
  const WrittenLink good = WriteLink(shape);
  const size_t list = good.idList;
  const size_t firstItem = list + 2;
  const size_t listSize = static_cast<uint8_t>(good.bytes[list]) | static_cast<uint8_t>(good.bytes[list + 1]) << 8;
  struct Case {
    const char* what;
    size_t at;
    uint16_t value;
  };
  const Case cases[] = {
      {"list size past the end of the file", list, 0xFFFF},
      {"list size cuts the last item", list, static_cast<uint16_t>(listSize - 4)},
      {"list size leaves no room for the terminal item", list, static_cast<uint16_t>(listSize - 1)},
      {"item size 1", firstItem, 1},
      {"item runs past the list", firstItem, static_cast<uint16_t>(listSize)},
      {"second item runs past the list", firstItem + 0x14, 0xFFF0},
      {"list of size 0", list, 0},
      {"list of size 1", list, 1},
  };
  for (const Case& c : cases) {
    WrittenLink link = good;
    link.Put16(c.at, c.value);
    EXPECT_FALSE(Parse(link)) << c.what;
  }
  // An item of size 0 ends the list early; what follows inside the stated
  // size is skipped, not taken for the next part.
  WrittenLink early = good;
  early.Put16(firstItem + 0x14, 0);
  const auto link = Parse(early);
  ASSERT_TRUE(link);
  EXPECT_EQ(link->idListPath, "");
}

TEST(ShellLinkDamaged, ItemContentsThatCannotBeRead) {
  LinkShape shape;
  shape.idListTarget = "C:\\ab\\cmd.exe";
  const WrittenLink good = WriteLink(shape);
  const size_t volume = good.idList + 2 + 0x14;
  // The drive string without its NUL (the item's size stays).
  WrittenLink link = good;
  for (size_t i = 3; i < 0x19; ++i) link.bytes[volume + i] = 'C';
  EXPECT_FALSE(Parse(link));
  // A short name without its NUL before the item's end; the same item
  // with it reads.
  const std::string prefix = good.bytes.substr(good.idList + 2, 0x14 + 0x19);
  const std::string entry = std::string("\x10\0\x31\0", 4) + std::string(10, '\0');
  EXPECT_FALSE(Parse(LinkWithIdList(prefix + entry + "ab")));
  std::string terminated = prefix + entry + std::string("a\0", 2);
  EXPECT_EQ(Parse(LinkWithIdList(terminated))->idListPath, "C:\\a");
  // A long name without its NUL: the block is there, its name is not
  // complete. A block of a version of unknown layout leaves the short name.
  shape.idListTarget = "C:\\a long folder";
  shape.targetIsFolder = true;
  link = WriteLink(shape);
  const size_t item = link.idList + 2 + 0x14 + 0x19;
  const size_t block = item + 14 + std::string("ALONGF~1").size() + 2;
  WrittenLink unterminated = link;
  unterminated.Put16(block + 0x2E + 2 * 13, 'x');  // overwrite the NUL
  EXPECT_FALSE(Parse(unterminated));
  WrittenLink unknown = link;
  unknown.Put16(block + 2, 2);  // version 2
  const auto parsed = Parse(unknown);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->idListPath, "C:\\ALONGF~1");
}

TEST(ShellLinkDamaged, LinkInfoAndStrings) {
  LinkShape shape;
  shape.linkInfoTarget = "C:\\Windows\\System32\\cmd.exe";
  shape.linkInfoUnicode = true;
  shape.arguments = "/c x.vbs";
  const WrittenLink good = WriteLink(shape);
  const size_t info = good.linkInfo;
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"size past the end", info, 0x10000},
      {"size below its header", info, 8},
      {"header size past the structure", info + 4, 0x1000},
      {"base path offset outside", info + 0x10, 0x1000},
      {"suffix offset outside", info + 0x18, 0xFFFFFFFF},
      {"Unicode base path offset outside", info + 0x1C, 0x1000},
      {"Unicode suffix offset at the last byte", info + 0x20, 0},  // patched below
  };
  const uint32_t infoSize = static_cast<uint8_t>(good.bytes[info]) | static_cast<uint8_t>(good.bytes[info + 1]) << 8;
  for (Case c : cases) {
    if (c.at == info + 0x20) c.value = infoSize - 1;
    WrittenLink link = good;
    link.Put32(c.at, c.value);
    EXPECT_FALSE(Parse(link)) << c.what;
  }
  // An unterminated base path: the structure ends inside it.
  WrittenLink link = good;
  link.Put32(info + 0x10, infoSize - 2);
  link.bytes[info + infoSize - 1] = 'x';
  EXPECT_FALSE(Parse(link));
  // A string count past the end.
  link = good;
  link.Put16(good.strings, 0xFFFF);
  EXPECT_FALSE(Parse(link));
}

TEST(ShellLinkDamaged, ExtraDataBlocks) {
  LinkShape shape;
  shape.environmentTarget = "%windir%\\system32\\cmd.exe";
  const WrittenLink good = WriteLink(shape);
  const size_t block = good.extraData;
  for (const uint32_t size : {4u, 7u, 0x313u, 0x315u, 0x10000u, 0xFFFFFFFFu}) {
    WrittenLink link = good;
    link.Put32(block, size);
    EXPECT_FALSE(Parse(link)) << "block size " << size;
  }
  // Unterminated targets.
  WrittenLink link = good;
  for (size_t i = 8; i < 8 + 260; ++i) link.bytes[block + i] = 'a';
  EXPECT_FALSE(Parse(link));
  link = good;
  for (size_t i = 8 + 260; i < 0x314; ++i) link.bytes[block + i] = 'a';
  EXPECT_FALSE(Parse(link));
  // Many small blocks of another kind are read through; without their
  // terminal block the link is not one.
  link = good;
  link.bytes.resize(block);
  for (int i = 0; i < 1000; ++i) {
    link.bytes += std::string("\x08\0\0\0\x02\0\0\xA0", 8);
  }
  EXPECT_FALSE(Parse(link));
  link.bytes += std::string(4, '\0');
  EXPECT_TRUE(Parse(link));
}

TEST(ShellLinkDamaged, OnlyTheFirst64KiBAreRead) {
  // 64 KiB of strings: the terminal block lies past what is read.
  LinkShape shape;
  shape.idListTarget = "C:\\Windows\\System32\\cmd.exe";
  shape.name = std::string(30000, 'n');
  shape.arguments = std::string(30000, 'a');
  shape.workingDir = std::string(10000, 'w');
  EXPECT_FALSE(Parse(WriteLink(shape)));
  // A link of exactly 64 KiB reads; one character more and it does not.
  shape.workingDir = "E:\\";
  shape.unicode = false;  // one byte a character
  shape.name = "n";
  shape.arguments = std::string(15000, 'a');
  const size_t base = WriteLink(shape).bytes.size();
  shape.name = std::string(1 + kMaxLinkBytes - base, 'n');
  const WrittenLink fits = WriteLink(shape);
  ASSERT_EQ(fits.bytes.size(), kMaxLinkBytes);
  EXPECT_EQ(Parse(fits)->arguments.size(), 15000u);
  shape.name += 'n';
  EXPECT_FALSE(Parse(WriteLink(shape)));
  // Whatever follows the terminal block is not looked at.
  WrittenLink trailing = fits;
  trailing.bytes += std::string(100000, '\xFF');
  EXPECT_TRUE(Parse(trailing));
}

}  // namespace
}  // namespace veltrano::sweep
