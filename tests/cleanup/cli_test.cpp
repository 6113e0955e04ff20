// The cleanup and the repair through veltrano-cli, as a user runs them, on
// real folders. What the commands should do is worked out here independently:
// the junk of a generated tree by GNU find with the same rules, the folders
// to unhide by the drive layout the test builds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/cleanup/host_tree.h"

namespace veltrano::testing {
namespace {

std::string Cli(const std::string& args) {
  return Quote(VELTRANO_CLI) + " " + args;
}

// A tree of about 600 files in 80 folders: junk by every rule, look-alikes
// that are not junk, names with '\', ':' and stray bytes, hidden and
// read-only files, dot-folders and a folder link.
void MakeTree(const std::string& root) {
  static const char* const kFolders[] = {"Windows",
                                         "Windows/Temp",
                                         "Windows/system32",
                                         "WINDOWS/Temp/sub",
                                         "Recycled",
                                         "x/RECYCLED",
                                         "Prefetch",
                                         "a/Local Settings/Temp",
                                         "a/Cookies",
                                         "Administrator/Recent",
                                         "Bob/Recent",
                                         "Temp",
                                         "b/Temporary Internet Files",
                                         "b/Temporary Internet Files/Content.IE5",
                                         "docs",
                                         "docs/deep/er/and/deeper",
                                         ".git",
                                         ".git/objects",
                                         "we\\ird",
                                         "bytes\xff\xfe",
                                         "Windows.old",
                                         "mysystem32",
                                         "\xe6\x96\x87\xe6\xa1\xa3",
                                         "Temp:1"};
  static const char* const kFiles[] = {"a.txt",        "setup.tmp",     "OLD.BAK",
                                       "Thumbs.db",    "thumbs.DB.txt", "folder.htt",
                                       "Desktop_.ini", "_desktop.ini",  "desktop.ini",
                                       "x.chk",        "FILE0000.CHK",  ".chk",
                                       "chk",          "e.err",         "f.FIX",
                                       "fix",          "a\\b.chk",      "c:d.tmp",
                                       "\xff\xfe.chk", "\xc3\xbf.txt",  "\xe6\x96\x87.fix",
                                       "notes.md",     "b.tmpx",        "keep.bak"};
  std::mt19937 random(20240601);
  for (const char* folder : kFolders) {
    const std::string dir = root + "/" + folder;
    MakeDirs(dir);
    for (const char* file : kFiles) {
      if (random() % 4 == 0) continue;  // not every name everywhere
      const std::string path = dir + "/" + file;
      Touch(path);
      switch (random() % 8) {
        case 0:
          SetDosBits(path, 2);  // hidden
          break;
        case 1:
          chmod(path.c_str(), 0444);  // read-only
          break;
        default:
          break;
      }
    }
  }
  for (const char* file : kFiles) Touch(root + "/" + file);
  // A link inside one junk folder that points at another.
  ASSERT_EQ(
      symlink((root + "/Windows/Temp").c_str(), (root + "/a/Local Settings/Temp/link").c_str()), 0);
}

// The junk files below `root` by find, relative to it.
std::set<std::string> JunkByFind(const std::string& root) {
  const std::string rules =
      ".*(recycled|/prefetch|ngs/temp|ows/temp|/cookies|tor/recent|temporary internet files)/"
      "[^/]*|"
      ".*(windows|/system32)/[^/]*\\.(tmp|bak)|"
      ".*/(thumbs\\.db|folder\\.htt|desktop_\\.ini|_desktop\\.ini|[^/]*\\.(err|chk|fix))";
  const CommandResult r = RunShell("LC_ALL=C find " + Quote(root) +
                                   " -xdev -type d -name '.*' -prune -o -type f "
                                   "-regextype posix-extended -iregex " +
                                   Quote(rules) + " -print0");
  std::set<std::string> junk;
  size_t start = 0;
  for (size_t end; (end = r.out.find('\0', start)) != std::string::npos; start = end + 1) {
    junk.insert(r.out.substr(start + root.size() + 1, end - start - root.size() - 1));
  }
  return junk;
}

size_t CountOf(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(CliCleanup, DeletesExactlyTheJunkOfAGeneratedTree) {
  TempFolder tree;
  const std::string c = tree / "c";
  MakeTree(c);
  const std::set<std::string> all = Files(c);
  const std::set<std::string> junk = JunkByFind(c);
  ASSERT_GT(junk.size(), 100u);
  ASSERT_GT(all.size() - junk.size(), 100u);  // and plenty that is not
  const std::string drive = "--drive " + Quote("C:fixed:" + c);

  // Answer No: the count is shown and nothing is touched.
  CommandResult r = RunShell(Cli(drive + " --answer no menuclean"));
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("message box: 删除 | 是否删除所有文件? -> no\n"), std::string::npos);
  EXPECT_NE(r.out.find("scan log (" + std::to_string(junk.size()) + " lines):\n"),
            std::string::npos);
  EXPECT_NE(
      r.out.find("status strip: 查找到无用（垃圾）文件个数: " + std::to_string(junk.size()) + "\n"),
      std::string::npos);
  EXPECT_EQ(Files(c), all);

  // Answer Yes: exactly the junk goes, and each line says it was deleted.
  r = RunShell(Cli(drive + " --answer yes menuclean"));
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("message box: Veltrano | 磁盘清理完毕！ -> ok\n"), std::string::npos);
  EXPECT_EQ(CountOf(r.out, "\n删除 C:\\"), junk.size());
  EXPECT_EQ(CountOf(r.out, "删除失败"), 0u);
  std::set<std::string> expected;
  for (const std::string& f : all) {
    if (!junk.count(f)) expected.insert(f);
  }
  EXPECT_EQ(Files(c), expected);

  // Nothing is left to clean.
  r = RunShell(Cli(drive + " --answer no menuclean"));
  EXPECT_NE(r.out.find("message box: Veltrano | 没有可清理文件！ -> ok\n"), std::string::npos);
}

TEST(CliRepair, UnhidesTheRootFoldersOfTheChosenDrives) {
  TempFolder tree;
  // C: is never repaired; D: fixed is cancelled by the removable E:; F: is a
  // CD-ROM; G: removable; H: is the last fixed drive and nothing follows it.
  const std::vector<std::pair<std::string, std::string>> drives = {
      {"C", "fixed"}, {"D", "fixed"},     {"E", "removable"},
      {"F", "cdrom"}, {"G", "removable"}, {"H", "fixed"}};
  std::string args;
  for (const auto& [letter, type] : drives) {
    const std::string dir = tree / letter;
    MakeDirs(dir + "/hidden");
    SetDosBits(dir + "/hidden", 2);
    args += " --drive " + Quote(letter + ":" + type + ":" + dir);
  }
  MakeDirs(tree / "E/visible");
  MakeDirs(tree / "E/Recycled");
  SetDosBits(tree / "E/Recycled", 6);
  MakeDirs(tree / "E/visible/inner");
  SetDosBits(tree / "E/visible/inner", 2);
  MakeDirs(tree / "G/sys");
  SetDosBits(tree / "G/sys", 6);
  Touch(tree / "G/file");
  SetDosBits(tree / "G/file", 2);

  const CommandResult r = RunShell(Cli(args + " reudir"));
  ASSERT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find("修复丢失文件夹  E:\\hidden\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n\n\n U盘修复完毕,共修复文件夹： 4个！\n"), std::string::npos) << r.out;
  EXPECT_EQ(CountOf(r.out, "修复失败"), 0u);
  EXPECT_EQ(DosBits(tree / "E/hidden"), 0u);
  EXPECT_EQ(DosBits(tree / "G/hidden"), 0u);
  EXPECT_EQ(DosBits(tree / "G/sys"), 0u);
  EXPECT_EQ(DosBits(tree / "H/hidden"), 0u);
  for (const char* stays : {"C/hidden", "D/hidden", "F/hidden", "E/visible/inner", "G/file"}) {
    EXPECT_EQ(DosBits(tree / stays), 2u) << stays;
  }
  EXPECT_EQ(DosBits(tree / "E/Recycled"), 6u);
}

}  // namespace
}  // namespace veltrano::testing
