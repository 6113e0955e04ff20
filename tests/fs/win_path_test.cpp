#include "platform/fs/win_path.h"

#include <gtest/gtest.h>

namespace veltrano::fs {
namespace {

std::string Normal(std::string_view path) {
  auto parsed = ParseWinPath(path);
  return parsed ? parsed->ToString() : "<invalid>";
}

TEST(WinPathTest, DotDotNeverClimbsAboveTheRoot) {
  EXPECT_EQ(Normal("E:\\..\\x"), "E:\\x");
  EXPECT_EQ(Normal("e:\\a\\..\\..\\..\\b\\.\\c"), "E:\\b\\c");
  EXPECT_EQ(Normal("E:\\a\\\\b\\"), "E:\\a\\b");
  EXPECT_EQ(Normal("E:/a/b"), "E:\\a\\b");
  EXPECT_EQ(Normal("E:"), "E:\\");
  EXPECT_EQ(Normal("E:\\\\\\server\\share"), "E:\\server\\share");
}

TEST(WinPathTest, FinalDotsAndBlanksDropOutAsOnWindows) {
  EXPECT_EQ(Normal("E:\\x.exe."), "E:\\x.exe");
  EXPECT_EQ(Normal("E:\\x.exe . ."), "E:\\x.exe");
  EXPECT_EQ(Normal("E:\\a\\x.exe..."), "E:\\a\\x.exe");
  EXPECT_EQ(Normal("E:\\a\\..."), "E:\\a");
  EXPECT_EQ(Normal("E:\\a\\.. "), "E:\\a");  // not "..": it never climbs
  EXPECT_EQ(Normal("E:\\. ."), "E:\\");
  // Before a separator a name loses one final dot, and only when it has one.
  EXPECT_EQ(Normal("E:\\sub.\\x"), "E:\\sub\\x");
  EXPECT_EQ(Normal("E:\\sub..\\x"), "E:\\sub..\\x");
  EXPECT_EQ(Normal("E:\\...\\x"), "E:\\...\\x");
  EXPECT_EQ(Normal("E:\\sub \\x"), "E:\\sub \\x");
  EXPECT_EQ(Normal("E:\\x. \\"), "E:\\x. ");
  // Inside names nothing changes.
  EXPECT_EQ(Normal("E:\\a. b.c"), "E:\\a. b.c");
  // A listing pattern's folder is a folder before a separator too.
  auto p = ParseWinPattern("E:\\sub.\\*.*");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->folder.ToString(), "E:\\sub");
}

TEST(WinPathTest, RejectsWhatIsNotAFullPathOrAValidName) {
  for (const char* bad : {"", "x.exe", "\\\\server\\share\\x", "1:\\x", "E:x", "E:\\C:\\x",
                          "E:\\a*b", "E:\\a?", "E:\\a|b", "E:\\\"q\"", "E:\\<a>", "E:\\\xff"}) {
    EXPECT_FALSE(ParseWinPath(bad).has_value()) << bad;
  }
  EXPECT_FALSE(ParseWinPath(std::string_view("E:\\a\0b", 6)).has_value());
}

TEST(WinPathTest, PatternKeepsItsWildcardsInTheLastName) {
  auto p = ParseWinPattern("e:\\docs\\..\\x\\*.*");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->folder.ToString(), "E:\\x");
  EXPECT_EQ(p->name, "*.*");
  EXPECT_FALSE(ParseWinPattern("E:\\*\\x"));
  EXPECT_FALSE(ParseWinPattern("E:\\docs\\"));
  EXPECT_FALSE(ParseWinPattern("E:\\docs\\.."));
}

TEST(WinPathTest, NamesCompareWithoutLetterCase) {
  EXPECT_TRUE(SameName("Autorun.INF", "autorun.inf"));
  EXPECT_TRUE(SameName("ÄÖÜ", "äöü"));
  EXPECT_TRUE(SameName("ДОКУМЕНТЫ", "документы"));
  EXPECT_TRUE(SameName("ＡＢＣ", "ａｂｃ"));
  EXPECT_TRUE(SameName("病毒.EXE", "病毒.exe"));
  EXPECT_FALSE(SameName("a", "b"));
  EXPECT_FALSE(SameName("ss", "ß"));
}

TEST(WinPathTest, PatternsMatchWithoutLetterCase) {
  EXPECT_TRUE(MatchesPattern("*.*", "noext"));
  EXPECT_TRUE(MatchesPattern("*", ".hidden"));
  EXPECT_TRUE(MatchesPattern("*.EXE", "run.exe"));
  EXPECT_FALSE(MatchesPattern("*.exe", "run.exe.txt"));
  EXPECT_TRUE(MatchesPattern("r?n.*", "RUN.x"));
  EXPECT_FALSE(MatchesPattern("r?n", "rn"));
  EXPECT_TRUE(MatchesPattern("a*b*c", "aXXbYYbc"));
  EXPECT_TRUE(MatchesPattern("Thumbs.db", "THUMBS.DB"));
}

}  // namespace
}  // namespace veltrano::fs
