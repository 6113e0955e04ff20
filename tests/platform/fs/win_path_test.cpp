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

TEST(WinPathTest, ASeparatorAfterTheLastNameMakesItAFolder) {
  for (const char* path :
       {"E:\\x.exe\\", "E:\\a\\b\\..\\", "E:\\a\\.\\", "E:\\x.exe.\\", "E:/x/"}) {
    const auto parsed = ParseWinPath(path);
    ASSERT_TRUE(parsed) << path;
    EXPECT_TRUE(parsed->folderOnly) << path;
  }
  for (const char* path : {"E:\\x.exe", "E:\\a\\.", "E:\\a\\..", "E:\\", "E:\\a\\..\\", "E:"}) {
    const auto parsed = ParseWinPath(path);
    ASSERT_TRUE(parsed) << path;
    EXPECT_FALSE(parsed->folderOnly) << path;
  }
  EXPECT_EQ(Normal("E:\\a\\b\\..\\"), "E:\\a");
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

// Windows compares names through its upper-case table, one character to one
// character; lower-casing would pair different characters.
TEST(WinPathTest, NamesFoldByUpperCaseAsOnWindows) {
  const std::string dottedCapitalI = "\u0130.exe";  // İ.exe
  const std::string iWithDotAbove = "i\u0307.exe";  // i̇.exe, i and a combining dot
  const std::string dotlessI = "\u0131.exe";        // ı.exe
  EXPECT_FALSE(SameName(dottedCapitalI, iWithDotAbove));
  EXPECT_FALSE(SameName(dottedCapitalI, dotlessI));
  EXPECT_FALSE(SameName(dottedCapitalI, "i.exe"));
  EXPECT_TRUE(SameName(iWithDotAbove, "I\u0307.EXE"));
  EXPECT_TRUE(SameName(dotlessI, "I.EXE"));  // ı upper-cases to I
  EXPECT_TRUE(SameName(dotlessI, "i.exe"));
  EXPECT_TRUE(SameName("\u017Fetup.exe", "SETUP.EXE"));   // long s
  EXPECT_FALSE(SameName("\u212Aey", "key"));              // Kelvin sign stays
  EXPECT_FALSE(SameName("\u1E9E", "\u00DF"));             // ẞ and ß differ
  EXPECT_TRUE(SameName("\u03C3\u03C2", "\u03A3\u03A3"));  // σ and final ς are Σ
  EXPECT_TRUE(SameName("\u00B5", "\u03BC"));              // micro sign and μ are Μ
  EXPECT_TRUE(SameName("\u01C5", "\u01C6"));              // title-case Dž
  EXPECT_TRUE(SameName("\u1F80", "\u1F88"));              // Greek with ypogegrammeni
  EXPECT_TRUE(SameName("\u00FF", "\u0178"));              // ÿ Ÿ
  EXPECT_TRUE(SameName("\u0561", "\u0531"));              // Armenian
  EXPECT_FALSE(SameName("\U00010428", "\U00010400"));     // beyond the BMP: never folded
  EXPECT_EQ(FoldName("Autorun.inf"), "AUTORUN.INF");
  EXPECT_EQ(FoldName(dottedCapitalI), "\u0130.EXE");  // İ stays İ
  EXPECT_EQ(FoldName("a\xFF"
                     "b"),
            "A\xFF"
            "B");  // a stray byte stays
  EXPECT_TRUE(MatchesPattern("*.EXE", dotlessI));
  EXPECT_FALSE(MatchesPattern("i.*", dottedCapitalI));
  EXPECT_TRUE(MatchesPattern("?etup.*", "\u017Fetup.exe"));
}

// The lower-case form the commands show always names the entry it came from.
TEST(WinPathTest, LowerNameKeepsWhatWouldFoldDifferently) {
  EXPECT_EQ(LowerName("SETUP.Exe"), "setup.exe");
  EXPECT_EQ(LowerName("\u00C4PFEL.PIF"), "\u00E4pfel.pif");
  EXPECT_EQ(LowerName("\u0130NDEX.PIF"), "\u0130ndex.pif");  // not "index.pif"
  EXPECT_EQ(LowerName("\u212A.SCR"), "\u212A.scr");          // not "k.scr"
  EXPECT_EQ(LowerName("\u1E9E"), "\u1E9E");
  EXPECT_EQ(LowerName("\u03A3\u0414"), "\u03C3\u0434");
  for (const char* name :
       {"\u0130NDEX.PIF", "\u212A.SCR", "\u01C5x", "MiXeD \u00C9T\u00C9", "\u2C6F"}) {
    EXPECT_TRUE(SameName(LowerName(name), name)) << name;
  }
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
