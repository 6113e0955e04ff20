// The Win32 backend on real files, under Wine or on Windows: drives and
// their types, listings, attributes, deletes, long paths, the forced folder
// delete and the rules that keep every path on its drive.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fs/win32_file_system.h"
#include "platform/fs/win32_native.h"
#include "tests/testing/win32_fixture.h"

namespace veltrano::fs {
namespace {

using testing::Content;
using testing::DriveFolder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MakeFile;
using testing::MakeFolder;
using testing::Native;
using testing::RawAttributes;
using ::testing::UnorderedElementsAre;

std::vector<std::string> List(FileSystem& fs, const std::string& pattern,
                              FindMode mode = FindMode::kFull) {
  std::vector<std::string> names;
  FindData d;
  auto s = fs.FindFirst(pattern, d, mode);
  if (!s) return names;
  do names.push_back(d.cFileName);
  while (s->FindNext(d));
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<FindData> Entry(FileSystem& fs, const std::string& folder, const std::string& name,
                              FindMode mode = FindMode::kFull) {
  FindData d;
  auto s = fs.FindFirst(folder + "\\*.*", d, mode);
  if (!s) return std::nullopt;
  do {
    if (d.cFileName == name) return d;
  } while (s->FindNext(d));
  return std::nullopt;
}

TEST(Win32Drives, LettersAndTypesComeFromTheSystem) {
  Win32FileSystem fs;
  const uint32_t mask = fs.GetLogicalDrives();
  EXPECT_EQ(mask, ::GetLogicalDrives());
  for (char letter : {'C', 'E', 'F', 'G', 'H'}) {
    EXPECT_NE(mask & (1u << (letter - 'A')), 0u) << letter;
  }
  EXPECT_EQ(fs.GetDriveType("E:\\"), kDriveRemovable);
  EXPECT_EQ(fs.GetDriveType("e:\\"), kDriveRemovable);
  EXPECT_EQ(fs.GetDriveType("F:\\"), kDriveFixed);
  EXPECT_EQ(fs.GetDriveType("G:\\"), kDriveCdRom);
  EXPECT_EQ(fs.GetDriveType("H:\\"), kDriveRemote);
  // A letter with no drive, and texts that are no drive root.
  EXPECT_EQ(mask & (1u << ('Q' - 'A')), 0u);
  EXPECT_EQ(fs.GetDriveType("Q:\\"), kDriveNoRootDir);
  EXPECT_EQ(fs.GetDriveType("E:\\docs"), kDriveNoRootDir);
  EXPECT_EQ(fs.GetDriveType("\\\\server\\share\\"), kDriveNoRootDir);
}

TEST(Win32Drives, DirectoryModeMapsFoldersToLettersWithTheirTypes) {
  DriveFolder dir;
  MakeFile(dir / "usb\\autorun.inf", "[autorun]");
  MakeFile(dir / "outside.txt", "keep me");
  Win32FileSystem fs({{'K', kDriveRemovable, dir / "usb"},
                      {'L', kDriveFixed, dir / "no such folder"},
                      {'M', kDriveCdRom, dir / "outside.txt"}});
  EXPECT_EQ(fs.GetLogicalDrives(), 1u << ('K' - 'A'));  // a folder that is none is left out
  EXPECT_EQ(fs.GetDriveType("K:\\"), kDriveRemovable);
  EXPECT_EQ(fs.GetDriveType("L:\\"), kDriveNoRootDir);
  EXPECT_EQ(fs.GetDriveType("E:\\"), kDriveNoRootDir);  // the machine's drives are not seen
  EXPECT_TRUE(fs.FileExists("K:\\AUTORUN.INF"));
  EXPECT_TRUE(fs.FolderExists("K:\\"));
  // ".." stops at the drive's root, which is the folder.
  EXPECT_FALSE(fs.FileExists("K:\\..\\outside.txt"));
  EXPECT_TRUE(fs.FileExists("K:\\..\\autorun.inf"));
  EXPECT_FALSE(fs.DeleteFile("K:\\..\\..\\outside.txt"));
  EXPECT_EQ(Content(dir / "outside.txt"), "keep me");
}

TEST(Win32Paths, AreLongAndNeverClimbAboveTheRoot) {
  Win32FileSystem fs;
  EXPECT_EQ(fs.NativePath("E:\\a\\b.exe"), "\\\\?\\E:\\a\\b.exe");
  EXPECT_EQ(fs.NativePath("e:/a//./b\\..\\c"), "\\\\?\\E:\\a\\c");
  EXPECT_EQ(fs.NativePath("E:\\..\\..\\x"), "\\\\?\\E:\\x");
  EXPECT_EQ(fs.NativePath("E:\\"), "\\\\?\\E:\\");
  // Nothing that is no full path of a drive, and no name Windows cannot hold
  // (an alternate data stream, a wildcard, a device path).
  EXPECT_FALSE(fs.NativePath("a\\b").has_value());
  EXPECT_FALSE(fs.NativePath("\\\\server\\share\\x").has_value());
  EXPECT_FALSE(fs.NativePath("E:\\a.txt:stream").has_value());
  EXPECT_FALSE(fs.NativePath("E:\\*.exe").has_value());
  EXPECT_FALSE(fs.NativePath("\\\\?\\E:\\x").has_value());
  EXPECT_FALSE(fs.NativePath("E:\\bad\xFFname").has_value());
  EXPECT_FALSE(fs.FileExists("E:\\a.txt:stream"));
}

TEST(Win32Listing, FillsTheRecordAndHonoursThePattern) {
  DriveFolder dir;
  MakeFile(dir / "Setup.EXE", "12345", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFile(dir / "readme.txt", "", FILE_ATTRIBUTE_READONLY);
  MakeFile(dir / "病毒.exe", "x");
  MakeFolder(dir / "docs", FILE_ATTRIBUTE_HIDDEN);
  Win32FileSystem fs;

  EXPECT_THAT(List(fs, dir / "*.*"), ElementsAre("Setup.EXE", "docs", "readme.txt", "病毒.exe"));
  EXPECT_THAT(List(fs, dir / "*"), ElementsAre("Setup.EXE", "docs", "readme.txt", "病毒.exe"));
  EXPECT_THAT(List(fs, dir / "*.exe"), ElementsAre("Setup.EXE", "病毒.exe"));
  EXPECT_THAT(List(fs, dir / "SETUP.exe"), ElementsAre("Setup.EXE"));
  EXPECT_THAT(List(fs, dir / "*.ex"), IsEmpty());  // never matched through short names

  const auto setup = Entry(fs, dir.path(), "Setup.EXE");
  ASSERT_TRUE(setup.has_value());
  EXPECT_EQ(setup->dwFileAttributes & (kAttrHidden | kAttrSystem | kAttrDirectory),
            kAttrHidden | kAttrSystem);
  EXPECT_EQ(setup->nFileSize, 5u);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  EXPECT_LT(std::abs(setup->ftLastWriteTime - now), 600);
  const auto docs = Entry(fs, dir.path(), "docs");
  ASSERT_TRUE(docs.has_value());
  EXPECT_EQ(docs->dwFileAttributes & (kAttrHidden | kAttrDirectory), kAttrHidden | kAttrDirectory);
  const auto readme = Entry(fs, dir.path(), "readme.txt");
  ASSERT_TRUE(readme.has_value());
  EXPECT_TRUE(readme->dwFileAttributes.HasAny(kAttrReadOnly));

  // Names only: the name and the folder bit, nothing read per entry.
  const auto quick = Entry(fs, dir.path(), "Setup.EXE", FindMode::kNamesOnly);
  ASSERT_TRUE(quick.has_value());
  EXPECT_EQ(quick->dwFileAttributes, kAttrNormal);
  EXPECT_EQ(quick->nFileSize, 0u);
  EXPECT_EQ(quick->ftLastWriteTime, 0);
  EXPECT_EQ(Entry(fs, dir.path(), "docs", FindMode::kNamesOnly)->dwFileAttributes, kAttrDirectory);
}

TEST(Win32Listing, FailsWithTheSystemsReason) {
  DriveFolder dir;
  MakeFolder(dir / "empty");
  MakeFile(dir / "file.txt");
  Win32FileSystem fs;
  FindData d;
  EXPECT_EQ(fs.FindFirst(dir / "empty\\*.*", d), nullptr);
  EXPECT_EQ(fs.FindFirst(dir / "missing\\*.*", d), nullptr);
  EXPECT_EQ(fs.LastError(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(Win32FileSystem::ErrorText(fs.LastError()).empty());
  EXPECT_EQ(fs.FindFirst(dir / "file.txt\\*.*", d), nullptr);
  EXPECT_EQ(fs.FindFirst(dir / "missing\\deeper\\*.*", d), nullptr);
  // A listing never returns "." or "..".
  EXPECT_THAT(List(fs, dir / "*.*"), ElementsAre("empty", "file.txt"));
}

TEST(Win32Attributes, AreWrittenAsExactlyTheBitsGiven) {
  DriveFolder dir;
  MakeFile(dir / "a.exe");
  MakeFolder(dir / "Folder");
  Win32FileSystem fs;
  const Attributes kept = kAttrReadOnly | kAttrHidden | kAttrSystem;

  ASSERT_TRUE(fs.SetAttributes(dir / "A.EXE", kAttrHidden | kAttrSystem | kAttrReadOnly));
  EXPECT_EQ(RawAttributes(dir / "a.exe") & kept.Bits(), kept.Bits());
  EXPECT_TRUE(HasAll(fs.GetAttributes(dir / "a.exe"), kept));
  ASSERT_TRUE(fs.SetAttributes(dir / "a.exe", kAttrHidden));
  EXPECT_EQ(RawAttributes(dir / "a.exe") & kept.Bits(), kAttrHidden.Bits());
  ASSERT_TRUE(fs.SetAttributes(dir / "a.exe", kAttrNormal));
  EXPECT_EQ(RawAttributes(dir / "a.exe") & kept.Bits(), 0u);

  // A folder keeps its directory bit whatever is written.
  ASSERT_TRUE(fs.SetAttributes(dir / "folder", kAttrHidden | kAttrSystem));
  EXPECT_EQ(fs.GetAttributes(dir / "Folder").value_or(kAttrNormal) & (kept | kAttrDirectory),
            kAttrHidden | kAttrSystem | kAttrDirectory);
  ASSERT_TRUE(fs.SetAttributes(dir / "Folder", kAttrNormal));
  EXPECT_EQ(fs.GetAttributes(dir / "Folder").value_or(kAttrNormal) & (kept | kAttrDirectory),
            kAttrDirectory);

  // Only the four DOS bits reach the system, and a drive root is a folder.
  EXPECT_EQ(fs.GetAttributes("E:\\"), kAttrDirectory);
  EXPECT_EQ(fs.GetAttributes(dir / "missing"), std::nullopt);
  EXPECT_FALSE(fs.SetAttributes(dir / "missing", kAttrHidden));
  EXPECT_EQ(fs.LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(fs.SetAttributes("E:\\", kAttrHidden));
}

TEST(Win32Delete, ReadOnlyFileGoesOnlyAfterItsAttributesAreCleared) {
  DriveFolder dir;
  MakeFile(dir / "locked.exe", "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  MakeFolder(dir / "folder.exe");
  Win32FileSystem fs;

  EXPECT_FALSE(fs.DeleteFile(dir / "locked.exe"));
  EXPECT_EQ(fs.LastError(), static_cast<uint32_t>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(fs.FileExists(dir / "locked.exe"));
  ASSERT_TRUE(fs.SetAttributes(dir / "locked.exe", kAttrNormal));
  EXPECT_TRUE(fs.DeleteFile(dir / "LOCKED.EXE"));
  EXPECT_FALSE(fs.FileExists(dir / "locked.exe"));
  EXPECT_EQ(RawAttributes(dir / "locked.exe"), INVALID_FILE_ATTRIBUTES);

  // Folders are never deleted as files, and a missing file is a failure.
  EXPECT_FALSE(fs.DeleteFile(dir / "folder.exe"));
  EXPECT_TRUE(fs.FolderExists(dir / "folder.exe"));
  EXPECT_FALSE(fs.DeleteFile(dir / "locked.exe"));
  EXPECT_FALSE(fs.DeleteFile("E:\\"));
}

TEST(Win32Delete, AFileInUseStaysAndSaysWhy) {
  DriveFolder dir;
  MakeFile(dir / "busy\\held.exe", "x");
  MakeFile(dir / "busy\\free.exe", "y");
  HANDLE held = ::CreateFileW(Native(dir / "busy\\held.exe").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Win32FileSystem fs;
  EXPECT_FALSE(fs.DeleteFile(dir / "busy\\held.exe"));
  EXPECT_EQ(fs.LastError(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(fs.DeleteFolderForced(dir / "busy"));  // never reported as done
  EXPECT_TRUE(fs.FileExists(dir / "busy\\held.exe"));
  EXPECT_FALSE(fs.FileExists(dir / "busy\\free.exe"));  // the rest went
  ::CloseHandle(held);
  EXPECT_TRUE(fs.DeleteFolderForced(dir / "busy"));
  EXPECT_FALSE(fs.FolderExists(dir / "busy"));
}

TEST(Win32Existence, TellsFilesFromFoldersAndNeverFails) {
  DriveFolder dir;
  MakeFile(dir / "Autorun.inf", "[autorun]");
  MakeFolder(dir / "Recycled");
  Win32FileSystem fs;
  EXPECT_TRUE(fs.FileExists(dir / "autorun.inf"));
  EXPECT_FALSE(fs.FolderExists(dir / "autorun.inf"));
  EXPECT_TRUE(fs.FolderExists(dir / "RECYCLED"));
  EXPECT_FALSE(fs.FileExists(dir / "recycled"));
  EXPECT_FALSE(fs.FileExists(dir / "missing"));
  EXPECT_FALSE(fs.FolderExists(dir / "missing\\deeper"));
  EXPECT_FALSE(fs.FileExists(dir / "autorun.inf\\inside"));  // a file is no folder on the way
  EXPECT_TRUE(fs.FolderExists("E:\\"));
  EXPECT_FALSE(fs.FileExists("E:\\"));
  EXPECT_FALSE(fs.FolderExists("Q:\\"));
}

// As Windows itself: no file is found at "x.exe\", and none is made there.
TEST(Win32Existence, APathEndingInASeparatorNamesOnlyAFolder) {
  DriveFolder dir;
  MakeFile(dir / "x.exe", "x");
  MakeFolder(dir / "docs");
  Win32FileSystem fs;
  EXPECT_FALSE(fs.FileExists(dir / "x.exe\\"));
  EXPECT_EQ(fs.GetAttributes(dir / "x.exe\\"), std::nullopt);
  EXPECT_FALSE(fs.DeleteFileForced(dir / "x.exe\\"));
  EXPECT_FALSE(fs.CopyFile(dir / "x.exe", dir / "new.exe\\"));
  EXPECT_TRUE(fs.FileExists(dir / "x.exe"));
  EXPECT_FALSE(fs.FileExists(dir / "new.exe"));
  EXPECT_TRUE(fs.FolderExists(dir / "docs\\"));
}

TEST(Win32Existence, ProbeSaysMissingOnlyWhenTheSystemSaysSo) {
  DriveFolder dir;
  MakeFile(dir / "Autorun.inf", "[autorun]");
  MakeFolder(dir / "photos");
  Win32FileSystem fs;
  EXPECT_EQ(fs.Probe(dir / "AUTORUN.INF"), PathState::kFile);
  EXPECT_EQ(fs.Probe(dir / "photos"), PathState::kFolder);
  EXPECT_EQ(fs.Probe("F:\\"), PathState::kFolder);
  EXPECT_EQ(fs.Probe(dir / "nothing"), PathState::kMissing);
  EXPECT_EQ(fs.Probe(dir / "photos\\x\\y"), PathState::kMissing);
  // A file on the way, a drive that is not there and a path that names no
  // drive cannot tell: a cleanup must not count them as deleted.
  for (const std::string& unknown :
       {dir / "autorun.inf\\x", std::string("Q:\\x"), std::string("x.exe")}) {
    EXPECT_EQ(fs.Probe(unknown), PathState::kUnknown) << unknown;
  }
}

// The test of an entry right after its delete is answered from the delete;
// once anything else was looked up, it asks the system again and sees what
// another program did meanwhile.
TEST(Win32Existence, AnEntryIsKnownGoneOnlyRightAfterItsDelete) {
  DriveFolder dir;
  MakeFile(dir / "a.scr", "a");
  MakeFile(dir / "b.scr", "b");
  Win32FileSystem fs;
  ASSERT_TRUE(fs.DeleteFileForced(dir / "a.scr"));
  EXPECT_EQ(fs.ProbeEntry(dir / "a.scr"), PathState::kMissing);
  MakeFile(dir / "a.scr", "again");  // another program
  EXPECT_EQ(fs.ProbeEntry(dir / "a.scr"), PathState::kFile);

  ASSERT_TRUE(fs.DeleteFileForced(dir / "b.scr"));
  MakeFile(dir / "b.scr", "again");
  EXPECT_EQ(fs.ProbeEntry(dir / "a.scr"), PathState::kFile);  // another path first
  EXPECT_EQ(fs.ProbeEntry(dir / "b.scr"), PathState::kFile);
  EXPECT_FALSE(fs.DeleteFile(dir / "nothing.scr"));
  EXPECT_EQ(fs.ProbeEntry(dir / "b.scr"), PathState::kFile);  // a failed delete
}

// Counts lookups that find nothing: under Wine each one lists the whole
// folder, looking for the name in every case.
class CountingCalls : public win32::NativeCalls {
 public:
  DWORD Attributes(const std::wstring& native) override {
    const DWORD a = NativeCalls::Attributes(native);
    if (a == INVALID_FILE_ATTRIBUTES) ++missed;
    return a;
  }
  int missed = 0;
};

TEST(Win32Existence, RemovalsNeverLookUpAnEntryThatIsGone) {
  DriveFolder dir;
  for (int i = 0; i < 100; ++i) MakeFile(dir / ("d" + std::to_string(i) + ".scr"), "x");
  CountingCalls calls;
  Win32FileSystem fs(&calls);
  for (int i = 0; i < 100; ++i) {
    const std::string path = dir / ("d" + std::to_string(i) + ".scr");
    ASSERT_TRUE(fs.DeleteFileForced(path));
    EXPECT_EQ(fs.ProbeEntry(path), PathState::kMissing);
  }
  EXPECT_EQ(calls.missed, 0);
  EXPECT_THAT(List(fs, dir / "*.*"), IsEmpty());
}

TEST(Win32ForcedDelete, RemovesEverythingReadOnlyIncluded) {
  DriveFolder dir;
  MakeFile(dir / "autorun.inf\\a.exe", "x", FILE_ATTRIBUTE_READONLY);
  MakeFile(dir / "autorun.inf\\sub\\b.exe", "y", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFolder(dir / "autorun.inf\\sub\\locked", FILE_ATTRIBUTE_READONLY);
  MakeFile(dir / "autorun.inf\\sub\\locked\\c.txt", "z", FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(::SetFileAttributesW(Native(dir / "autorun.inf").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  MakeFile(dir / "neighbour.txt", "keep me");
  Win32FileSystem fs;

  EXPECT_FALSE(fs.DeleteFolderForced(dir / "neighbour.txt"));  // not a folder
  EXPECT_TRUE(fs.DeleteFolderForced(dir / "AUTORUN.INF"));
  EXPECT_EQ(RawAttributes(dir / "autorun.inf"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Content(dir / "neighbour.txt"), "keep me");
  EXPECT_FALSE(fs.DeleteFolderForced(dir / "autorun.inf"));  // nothing left to delete
  EXPECT_FALSE(fs.DeleteFolderForced("E:\\"));               // a drive root never goes
}

TEST(Win32LongPaths, ADeepTreeIsListedAndDeletedToTheBottom) {
  DriveFolder dir;
  std::string deep = dir / "top";
  while (deep.size() < 700) deep += "\\a-rather-long-folder-name";
  MakeFile(deep + "\\junk.tmp", "j");
  MakeFile(deep + "\\keep.txt", "k", FILE_ATTRIBUTE_READONLY);
  ASSERT_NE(RawAttributes(deep + "\\junk.tmp"), INVALID_FILE_ATTRIBUTES);
  Win32FileSystem fs;

  EXPECT_THAT(List(fs, deep + "\\*.*"), ElementsAre("junk.tmp", "keep.txt"));
  EXPECT_TRUE(fs.FileExists(deep + "\\junk.tmp"));
  EXPECT_TRUE(fs.DeleteFile(deep + "\\junk.tmp"));
  EXPECT_FALSE(fs.FileExists(deep + "\\junk.tmp"));
  EXPECT_TRUE(fs.DeleteFolderForced(dir / "top"));
  EXPECT_EQ(RawAttributes(dir / "top"), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32SubFolders, NameOnlyTheFolders) {
  DriveFolder dir;
  MakeFolder(dir / "Photos", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFolder(dir / "文档");
  MakeFile(dir / "Photos.exe");
  Win32FileSystem fs;
  const auto names = fs.SubFolders(dir.path());
  ASSERT_TRUE(names.has_value());
  EXPECT_THAT(*names, UnorderedElementsAre("Photos", "文档"));
  EXPECT_THAT(*fs.SubFolders(dir / "文档"), IsEmpty());
  EXPECT_FALSE(fs.SubFolders(dir / "missing").has_value());
  EXPECT_FALSE(fs.SubFolders(dir / "Photos.exe").has_value());
}

TEST(Win32Files, AreReadUpToTheLimitAndCopiedOver) {
  DriveFolder dir;
  MakeFile(dir / "autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  MakeFile(dir / "old.exe", "old");
  MakeFile(dir / "locked.exe", "locked", FILE_ATTRIBUTE_READONLY);
  MakeFolder(dir / "folder");
  Win32FileSystem fs;

  const auto whole = fs.ReadFile(dir / "AUTORUN.INF", 1 << 20);
  ASSERT_TRUE(whole.has_value());
  EXPECT_EQ(std::string(whole->begin(), whole->end()), "[autorun]\r\nopen=x.exe\r\n");
  const auto cut = fs.ReadFile(dir / "autorun.inf", 9);
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(std::string(cut->begin(), cut->end()), "[autorun]");
  EXPECT_FALSE(fs.ReadFile(dir / "folder", 100).has_value());
  EXPECT_FALSE(fs.ReadFile(dir / "missing", 100).has_value());

  EXPECT_TRUE(fs.CopyFile(dir / "autorun.inf", dir / "folder\\copy.inf"));
  EXPECT_EQ(Content(dir / "folder\\copy.inf"), "[autorun]\r\nopen=x.exe\r\n");
  EXPECT_TRUE(fs.CopyFile(dir / "autorun.inf", dir / "old.exe"));
  EXPECT_EQ(Content(dir / "old.exe"), "[autorun]\r\nopen=x.exe\r\n");
  EXPECT_FALSE(fs.CopyFile(dir / "autorun.inf", dir / "locked.exe"));
  EXPECT_EQ(Content(dir / "locked.exe"), "locked");
  EXPECT_FALSE(fs.CopyFile(dir / "autorun.inf", dir / "folder"));
  EXPECT_FALSE(fs.CopyFile(dir / "missing", dir / "new.exe"));
  EXPECT_FALSE(fs.FileExists(dir / "new.exe"));
}

TEST(Win32Drives, OtherDriveTypesWorkTheSame) {
  // The fixed and network test drives hold files like the removable one.
  for (char letter : {'F', 'H'}) {
    DriveFolder dir(letter);
    MakeFile(dir / "x.tmp", "t");
    Win32FileSystem fs;
    EXPECT_THAT(List(fs, dir / "*.tmp"), ElementsAre("x.tmp")) << letter;
    EXPECT_TRUE(fs.DeleteFile(dir / "x.tmp")) << letter;
    EXPECT_FALSE(fs.FileExists(dir / "x.tmp")) << letter;
  }
}

}  // namespace
}  // namespace veltrano::fs
