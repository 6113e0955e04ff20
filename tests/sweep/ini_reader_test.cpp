// The INI reader: how lines, sections, keys and values are read, and how the
// file's bytes are decoded.
#include "sweep/ini_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrano::sweep {
namespace {

std::string Open(std::string_view text) {
  return FindIniValue(text, "autorun", "open");
}

TEST(IniLines, AnyRunOfCrAndLfEndsALine) {
  EXPECT_EQ(Open("[autorun]\r\nopen=a.exe\r\n"), "a.exe");
  EXPECT_EQ(Open("[autorun]\nopen=a.exe"), "a.exe");    // no final newline
  EXPECT_EQ(Open("[autorun]\ropen=a.exe\r"), "a.exe");  // old Mac endings
  EXPECT_EQ(Open("[autorun]\n\r\n\r\r\nopen=a.exe\n"), "a.exe");
  EXPECT_EQ(Open(""), "");
  EXPECT_EQ(Open("\r\n\r\n"), "");
}

TEST(IniLines, TrimsTheWhiteSpaceSetAtBothEnds) {
  EXPECT_EQ(Open("\t [autorun] \x1A\n\x0B\x0C open \t=\t a.exe \x1A \t\n"), "a.exe");
  // Inner blanks stay.
  EXPECT_EQ(Open("[autorun]\nopen = my  prog.exe  \n"), "my  prog.exe");
}

TEST(IniLines, OnlyALeadingSemicolonMakesAComment) {
  EXPECT_EQ(Open("[autorun]\n;open=a.exe\nopen=b.exe\n"), "b.exe");
  EXPECT_EQ(Open("[autorun]\n  ; open=a.exe\nopen=b.exe\n"), "b.exe");  // after trimming
  EXPECT_EQ(Open("[autorun]\nopen=a.exe ; comment\n"), "a.exe ; comment");
  EXPECT_EQ(Open("[autorun]\n#open=a.exe\nopen=b.exe\n"), "b.exe");  // key "#open"
  EXPECT_EQ(FindIniValue("[autorun]\n#open=a.exe\n", "autorun", "#open"), "a.exe");
  EXPECT_EQ(Open(";[autorun]\nopen=a.exe\n"), "");
}

TEST(IniSections, NameRunsToTheLastBracketAndIgnoresTheRest) {
  EXPECT_EQ(Open("[ AutoRun ]\nopen=a.exe\n"), "a.exe");
  EXPECT_EQ(Open("[autorun] trailing words\nopen=a.exe\n"), "a.exe");
  EXPECT_EQ(FindIniValue("[a]b]\nk=v\n", "a]b", "k"), "v");
  EXPECT_EQ(Open("[autorun]]\nopen=a.exe\n"), "");  // the name is "autorun]"
  // A '[' line without ']' is an ordinary line of the current section.
  EXPECT_EQ(Open("[autorun]\n[open=a.exe\nopen=b.exe\n"), "b.exe");
  EXPECT_EQ(FindIniValue("[autorun]\n[open=a.exe\n", "autorun", "[open"), "a.exe");
  EXPECT_EQ(Open("[other]\n[autorun\nopen=a.exe\n"), "");
}

TEST(IniSections, KeysOutsideTheSectionAreNotSeen) {
  EXPECT_EQ(Open("open=a.exe\n[autorun]\n"), "");
  EXPECT_EQ(Open("[other]\nopen=a.exe\n[autorun]\nicon=x.ico\n"), "");
  EXPECT_EQ(Open("[autorun]\nicon=x.ico\n[other]\nopen=a.exe\n"), "");
}

TEST(IniSections, OnlyTheFirstSectionOfANameIsSearched) {
  EXPECT_EQ(Open("[autorun]\nicon=x.ico\n[autorun]\nopen=a.exe\n"), "");
  EXPECT_EQ(Open("[autorun]\nopen=a.exe\n[AUTORUN]\nopen=b.exe\n"), "a.exe");
}

TEST(IniKeys, CaseInsensitiveFirstEqualsSplitFirstKeyWins) {
  EXPECT_EQ(FindIniValue("[AutoRun]\nshellexecute=a.exe\n", "autorun", "Shellexecute"), "a.exe");
  EXPECT_EQ(FindIniValue("[autorun]\nShellExecute=a.exe\n", "AUTORUN", "shellexecute"), "a.exe");
  EXPECT_EQ(Open("[autorun]\nopen=a=b.exe\n"), "a=b.exe");
  EXPECT_EQ(Open("[autorun]\nopen=a.exe\nOPEN=b.exe\n"), "a.exe");
  EXPECT_EQ(Open("[autorun]\nopen=\n"), "");
  EXPECT_EQ(Open("[autorun]\nopener=a.exe\n"), "");
  // A key line without '=' has no value, and it still is the first "open".
  EXPECT_EQ(Open("[autorun]\nopen\nopen=a.exe\n"), "");
}

TEST(IniValues, MatchingQuotesAreStripped) {
  EXPECT_EQ(Open("[autorun]\nopen=\"a.exe\"\n"), "a.exe");
  EXPECT_EQ(Open("[autorun]\nopen='a.exe'\n"), "a.exe");
  EXPECT_EQ(Open("[autorun]\nopen=\" a.exe \"\n"), " a.exe ");
  EXPECT_EQ(Open("[autorun]\nopen=\"a.exe'\n"), "\"a.exe'");
  EXPECT_EQ(Open("[autorun]\nopen=\"a.exe\n"), "\"a.exe");
  EXPECT_EQ(Open("[autorun]\nopen=\"\n"), "\"");  // one character is not a pair
  EXPECT_EQ(Open("[autorun]\nopen=\"\"\n"), "");
  EXPECT_EQ(Open("[autorun]\nopen=\"a\" b \"c\"\n"), "a\" b \"c");
}

TEST(IniValues, NulEndsTheValue) {
  EXPECT_EQ(Open(std::string("[autorun]\nopen=a.exe\0junk\n", 25)), "a.exe");
  EXPECT_EQ(Open(std::string("[autorun]\nopen=\0a.exe\n", 22)), "");
  EXPECT_EQ(Open(std::string("[autorun]\nopen=\"a.exe\"\0\"\n", 25)), "a.exe");
}

TEST(IniValues, CutTo254CharactersNeverInsideOne) {
  const std::string longAscii(1000, 'x');
  EXPECT_EQ(Open("[autorun]\nopen=" + longAscii + "\n"), std::string(254, 'x'));
  std::string longChinese;
  for (int i = 0; i < 300; ++i) longChinese += "病";
  const std::string value = Open("[autorun]\nopen=" + longChinese + "\n");
  EXPECT_EQ(value.size(), 254u * 3);
  EXPECT_EQ(value, longChinese.substr(0, 254 * 3));
  EXPECT_EQ(Open("[autorun]\nopen=" + std::string(254, 'y') + "\n"), std::string(254, 'y'));
}

TEST(IniDecoding, ByteOrderMarksUtf8AndGbk) {
  // UTF-16 little-endian with its mark.
  std::string utf16le = "\xFF\xFE";
  for (char c : std::string("[autorun]\r\nopen=a.exe\r\n")) {
    utf16le += c;
    utf16le += '\0';
  }
  EXPECT_EQ(Open(DecodeIniBytes(utf16le)), "a.exe");
  // UTF-16 big-endian, with a Chinese name (病 is U+75C5).
  std::string utf16be = "\xFE\xFF";
  for (char c : std::string("[autorun]\nopen=")) {
    utf16be += '\0';
    utf16be += c;
  }
  utf16be += "\x75\xC5";
  EXPECT_EQ(Open(DecodeIniBytes(utf16be)), "病");
  EXPECT_EQ(Open(DecodeIniBytes("\xEF\xBB\xBF[autorun]\nopen=病毒.exe\n")), "病毒.exe");
  EXPECT_EQ(Open(DecodeIniBytes("[autorun]\nopen=病毒.exe\n")), "病毒.exe");
  EXPECT_EQ(Open(DecodeIniBytes("[autorun]\nopen=\xB2\xA1\xB6\xBE.exe\n")), "病毒.exe");
  // Without its mark, a UTF-8 BOM-less file stays byte for byte as it is.
  EXPECT_EQ(DecodeIniBytes("abc"), "abc");
}

TEST(IniBadInput, BinaryGarbageAndHugeFilesAreReadSafely) {
  // Every byte value, many times over: no crash, and no key appears from nowhere.
  std::string garbage;
  for (int round = 0; round < 64; ++round) {
    for (int b = 0; b < 256; ++b) garbage += static_cast<char>((b * 37 + round) & 0xFF);
  }
  EXPECT_EQ(Open(DecodeIniBytes(garbage)), "");
  EXPECT_EQ(Open(DecodeIniBytes("[autorun]\nopen=x.exe\n" + garbage)), "x.exe");

  // 10 MB of padding ahead of the section, as a worm might write it, then
  // a line of 10 MB without a newline at the end.
  std::string big(10u << 20, 'A');
  for (size_t i = 80; i < big.size(); i += 81) big[i] = '\n';
  big += "\n[autorun]\nopen=late.exe\nicon=";
  big.append(10u << 20, 'z');
  EXPECT_EQ(Open(DecodeIniBytes(big)), "late.exe");
  EXPECT_EQ(FindIniValue(big, "autorun", "icon"), std::string(254, 'z'));
}

}  // namespace
}  // namespace veltrano::sweep
