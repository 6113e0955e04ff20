// What the memory backend offers beyond the shared contract: its fixture
// API and its failure switches. The contract itself is checked for every
// backend by the conformance suite.
#include "tests/testing/memory_file_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace veltrano::fs {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> List(FileSystem& fs, std::string_view pattern) {
  std::vector<std::string> names;
  FindData d;
  auto s = fs.FindFirst(pattern, d);
  if (!s) return names;
  do names.push_back(d.cFileName);
  while (s->FindNext(d));
  return names;
}

TEST(MemoryFileSystemTest, DrivesKeepTheirTypeAndMask) {
  MemoryFileSystem fs;
  fs.AddDrive('c', kDriveFixed);
  fs.AddDrive('E', kDriveRemovable, /*mediumPresent=*/false);
  fs.AddDrive('Z', kDriveCdRom);
  EXPECT_EQ(fs.GetLogicalDrives(), (1u << 2) | (1u << 4) | (1u << 25));
  EXPECT_EQ(fs.GetDriveType("C:\\"), kDriveFixed);
  EXPECT_EQ(fs.GetDriveType("e:\\"), kDriveRemovable);
  EXPECT_EQ(fs.GetDriveType("D:\\"), kDriveNoRootDir);
  EXPECT_EQ(fs.GetDriveType("C:\\Windows\\"), kDriveNoRootDir);
  EXPECT_FALSE(fs.AddDrive('1', kDriveFixed));
}

TEST(MemoryFileSystemTest, FixtureBuildsParentsKeepsCaseAndReplacesFiles) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  ASSERT_TRUE(fs.AddFile("E:\\Docs\\Sub\\Read Me.TXT", "one", kAttrHidden));
  EXPECT_TRUE(fs.FolderExists("e:\\docs\\sub"));
  EXPECT_EQ(fs.GetAttributes("E:\\docs"), kAttrDirectory);
  ASSERT_TRUE(fs.AddFile("e:\\docs\\sub\\read me.txt", "two", kAttrReadOnly));
  EXPECT_THAT(fs.Names("E:\\docs\\sub"), ElementsAre("Read Me.TXT"));
  EXPECT_EQ(fs.Content("E:\\DOCS\\SUB\\READ ME.TXT"), "two");
  EXPECT_EQ(fs.GetAttributes("E:\\docs\\sub\\read me.txt"), kAttrReadOnly);
  EXPECT_FALSE(fs.AddFolder("E:\\docs\\sub\\read me.txt\\x"));  // a file is in the way
  EXPECT_FALSE(fs.AddFile("E:\\docs", "x"));                    // a folder is in the way
  EXPECT_FALSE(fs.AddFile("Q:\\x", "x"));                       // no such drive
}

TEST(MemoryFileSystemTest, ListingFollowsCreationOrderAndFillsTheRecord) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  fs.AddFile("E:\\zeta.exe", "12345", kAttrHidden | kAttrSystem);
  fs.AddFolder("E:\\alpha", kAttrHidden);
  fs.AddFile("E:\\Mid.pif");
  fs.SetTimes("E:\\zeta.exe", 100, 200, 300);
  EXPECT_THAT(List(fs, "E:\\*.*"), ElementsAre("zeta.exe", "alpha", "Mid.pif"));
  EXPECT_THAT(List(fs, "E:\\*.PIF"), ElementsAre("Mid.pif"));

  FindData d;
  auto s = fs.FindFirst("E:\\*", d);
  ASSERT_TRUE(s);
  EXPECT_EQ(d.dwFileAttributes, kAttrHidden | kAttrSystem);
  EXPECT_EQ(d.nFileSize, 5u);
  EXPECT_EQ(d.ftCreationTime, 100);
  EXPECT_EQ(d.ftLastAccessTime, 200);
  EXPECT_EQ(d.ftLastWriteTime, 300);
  ASSERT_TRUE(s->FindNext(d));
  EXPECT_EQ(d.dwFileAttributes, kAttrDirectory | kAttrHidden);
  EXPECT_EQ(fs.OpenFindSessions(), 1);
  s.reset();
  EXPECT_EQ(fs.OpenFindSessions(), 0);

  // The cheap mode carries the name and the directory bit only.
  s = fs.FindFirst("E:\\*", d, FindMode::kNamesOnly);
  ASSERT_TRUE(s);
  EXPECT_EQ(d.cFileName, "zeta.exe");
  EXPECT_EQ(d.dwFileAttributes, kAttrNormal);
  EXPECT_EQ(d.nFileSize, 0u);
  EXPECT_EQ(d.ftLastWriteTime, 0);
  ASSERT_TRUE(s->FindNext(d));
  EXPECT_EQ(d.dwFileAttributes, kAttrDirectory);
}

TEST(MemoryFileSystemTest, FileInUseCannotBeDeletedNorCanItsFolder) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  fs.AddFile("E:\\Autorun.inf\\busy.exe");
  fs.AddFile("E:\\Autorun.inf\\free.exe");
  fs.AddFile("E:\\x.exe");
  fs.SetInUse("E:\\x.exe", true);
  fs.SetInUse("E:\\Autorun.inf\\busy.exe", true);
  EXPECT_TRUE(fs.SetAttributes("E:\\x.exe", kAttrNormal));
  EXPECT_FALSE(fs.DeleteFile("E:\\x.exe"));
  EXPECT_TRUE(fs.FileExists("E:\\x.exe"));
  EXPECT_FALSE(fs.DeleteFolderForced("E:\\autorun.inf"));
  // What could go, went; what was in use stays, and so does its folder.
  EXPECT_THAT(fs.Names("E:\\Autorun.inf"), ElementsAre("busy.exe"));
  fs.SetInUse("E:\\x.exe", false);
  EXPECT_TRUE(fs.DeleteFile("E:\\x.exe"));
}

TEST(MemoryFileSystemTest, WriteProtectedMediumRefusesEveryChange) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  fs.AddFile("E:\\x.exe", "x", kAttrHidden);
  fs.AddFolder("E:\\Autorun.inf", kAttrHidden);
  fs.AddFile("E:\\setup.exe", "s");
  fs.SetWriteProtected('E', true);
  EXPECT_FALSE(fs.SetAttributes("E:\\x.exe", kAttrNormal));
  EXPECT_FALSE(fs.DeleteFile("E:\\x.exe"));
  EXPECT_FALSE(fs.DeleteFolderForced("E:\\Autorun.inf"));
  EXPECT_FALSE(fs.CopyFile("E:\\setup.exe", "E:\\copy.exe"));
  EXPECT_EQ(fs.GetAttributes("E:\\x.exe"), kAttrHidden);
  EXPECT_TRUE(fs.FolderExists("E:\\Autorun.inf"));
  EXPECT_TRUE(fs.ReadFile("E:\\x.exe", 10).has_value());  // reading still works
}

TEST(MemoryFileSystemTest, DriveWithoutMediumKeepsTypeButShowsNothing) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  fs.AddFile("E:\\x.exe");
  fs.SetMediumPresent('E', false);
  FindData d;
  EXPECT_EQ(fs.GetDriveType("E:\\"), kDriveRemovable);
  EXPECT_NE(fs.GetLogicalDrives() & (1u << 4), 0u);
  EXPECT_EQ(fs.FindFirst("E:\\*.*", d), nullptr);
  EXPECT_FALSE(fs.FolderExists("E:\\"));
  EXPECT_FALSE(fs.FileExists("E:\\x.exe"));
  EXPECT_EQ(fs.GetAttributes("E:\\x.exe"), std::nullopt);
  EXPECT_FALSE(fs.SubFolders("E:\\").has_value());
  EXPECT_FALSE(fs.DeleteFile("E:\\x.exe"));
  EXPECT_TRUE(fs.Exists("E:\\x.exe"));  // the inspection API ignores the medium
  fs.SetMediumPresent('E', true);
  EXPECT_TRUE(fs.FileExists("E:\\x.exe"));
}

TEST(MemoryFileSystemTest, UnlistableFolderStillExistsAndItsEntriesCanBeReached) {
  MemoryFileSystem fs;
  fs.AddDrive('C', kDriveFixed);
  fs.AddFile("C:\\locked\\a.tmp");
  fs.AddFolder("C:\\locked\\sub");
  fs.SetListingDenied("C:\\locked", true);
  FindData d;
  EXPECT_EQ(fs.FindFirst("C:\\locked\\*.*", d), nullptr);
  EXPECT_FALSE(fs.SubFolders("C:\\locked").has_value());
  EXPECT_TRUE(fs.FolderExists("C:\\locked"));
  EXPECT_TRUE(fs.FileExists("C:\\locked\\a.tmp"));
  EXPECT_TRUE(fs.DeleteFile("C:\\locked\\a.tmp"));
}

TEST(MemoryFileSystemTest, AccessDeniedEntryIsVisibleButUntouchable) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  fs.AddFile("E:\\secret.exe", "x", kAttrHidden);
  fs.AddFile("E:\\box\\inner.txt");
  fs.AddFile("E:\\box\\free.txt");
  fs.SetAccessDenied("E:\\secret.exe", true);
  fs.SetAccessDenied("E:\\box\\inner.txt", true);
  EXPECT_TRUE(fs.FileExists("E:\\secret.exe"));
  EXPECT_EQ(fs.GetAttributes("E:\\secret.exe"), kAttrHidden);
  EXPECT_FALSE(fs.SetAttributes("E:\\secret.exe", kAttrNormal));
  EXPECT_FALSE(fs.DeleteFile("E:\\secret.exe"));
  EXPECT_FALSE(fs.ReadFile("E:\\secret.exe", 10).has_value());
  EXPECT_FALSE(fs.CopyFile("E:\\secret.exe", "E:\\copy.exe"));
  EXPECT_FALSE(fs.DeleteFolderForced("E:\\box"));
  EXPECT_THAT(fs.Names("E:\\box"), ElementsAre("inner.txt"));
  EXPECT_THAT(List(fs, "E:\\*.*"), ElementsAre("secret.exe", "box"));
}

TEST(MemoryFileSystemTest, LinkIsDeletedItselfAndNeverEntered) {
  MemoryFileSystem fs;
  fs.AddDrive('E', kDriveRemovable);
  fs.AddFile("E:\\keep\\data.txt", "precious");
  fs.AddLink("E:\\Autorun.inf", "E:\\keep");
  fs.AddLink("E:\\dir\\jump", "E:\\keep");
  EXPECT_FALSE(fs.FolderExists("E:\\Autorun.inf"));
  EXPECT_TRUE(fs.FileExists("E:\\Autorun.inf"));
  EXPECT_EQ(fs.GetAttributes("E:\\Autorun.inf"), kAttrReparsePoint | kAttrArchive);
  EXPECT_FALSE(fs.FileExists("E:\\Autorun.inf\\data.txt"));
  EXPECT_FALSE(fs.DeleteFolderForced("E:\\Autorun.inf"));
  EXPECT_TRUE(fs.DeleteFolderForced("E:\\dir"));
  EXPECT_TRUE(fs.DeleteFile("E:\\Autorun.inf"));
  EXPECT_EQ(fs.Content("E:\\keep\\data.txt"), "precious");
  FindData d;
  EXPECT_EQ(fs.FindFirst("E:\\Autorun.inf\\*.*", d), nullptr);
}

}  // namespace
}  // namespace veltrano::fs
