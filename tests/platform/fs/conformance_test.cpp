// The contract of the FileSystem seam, checked on every backend: the memory
// backend, and the Linux backend in directory mode on real temporary folders
// (on the file system below $VELTRANO_TEST_ROOT when that is set: the tests
// run so on FAT, exFAT and NTFS volumes mounted by real kernels).
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/fs/linux_file_system.h"
#include "tests/testing/memory_file_system.h"
#include "tests/platform/fs/fs_test_support.h"

namespace veltrano::fs {
namespace {

using ::testing::ElementsAre;
using testing::TempFolder;
using ::testing::UnorderedElementsAre;

// Drive E: (removable) under test, laid out through the backend's own means,
// and something outside the drive that links may point at.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual FileSystem& fs() = 0;
  virtual void Folder(const std::string& path, Attributes attributes = kAttrNormal) = 0;
  virtual void File(const std::string& path, const std::string& content = "",
                    Attributes attributes = kAttrArchive) = 0;
  // A link at `path` to the folder outside the drive, which holds precious.txt.
  virtual void LinkOutside(const std::string& path) = 0;
  // A link at `path` to precious.txt outside the drive.
  virtual void LinkOutsideFile(const std::string& path) = 0;
  virtual bool OutsideIntact() = 0;
  // Whether listings come in creation order (else any order).
  virtual bool OrderedListing() const = 0;
  // What the file system can hold (FAT has no links; exFAT on kernels
  // before 6.12 offers no way to reach its hidden and system bits).
  virtual bool HasLinks() const { return true; }
  virtual bool KeepsHiddenAndSystem() const { return true; }
  // Whether the archive bit is kept as written (the Wine convention has no
  // place for it and shows it on every file).
  virtual bool KeepsArchive() const { return true; }
};

class MemoryBackend : public Backend {
 public:
  MemoryBackend() {
    fs_.AddDrive('E', kDriveRemovable);
    fs_.AddDrive('F', kDriveFixed);
    fs_.AddFile("F:\\outside\\precious.txt", "keep me");
  }
  FileSystem& fs() override { return fs_; }
  void Folder(const std::string& path, Attributes attributes) override {
    ASSERT_TRUE(fs_.AddFolder(path, attributes)) << path;
  }
  void File(const std::string& path, const std::string& content, Attributes attributes) override {
    ASSERT_TRUE(fs_.AddFile(path, content, attributes)) << path;
  }
  void LinkOutside(const std::string& path) override {
    ASSERT_TRUE(fs_.AddLink(path, "F:\\outside"));
  }
  void LinkOutsideFile(const std::string& path) override {
    ASSERT_TRUE(fs_.AddLink(path, "F:\\outside\\precious.txt"));
  }
  bool OutsideIntact() override { return fs_.Content("F:\\outside\\precious.txt") == "keep me"; }
  bool OrderedListing() const override { return true; }

 private:
  MemoryFileSystem fs_;
};

class LinuxBackend : public Backend {
 public:
  LinuxBackend() {
    mkdir((dir_ / "E").c_str(), 0755);
    mkdir((dir_ / "outside").c_str(), 0755);
    testing::WriteHostFile(dir_ / "outside/precious.txt", "keep me");
    Probe();
    fs_ = std::make_unique<LinuxFileSystem>(
        std::vector<DriveSpec>{{'E', kDriveRemovable, dir_ / "E"}});
  }
  FileSystem& fs() override { return *fs_; }
  void Folder(const std::string& path, Attributes attributes) override {
    InWritableFolders(Host(path), [&] { std::filesystem::create_directories(Host(path)); });
    Apply(path, attributes);
  }
  void File(const std::string& path, const std::string& content, Attributes attributes) override {
    InWritableFolders(Host(path), [&] {
      std::filesystem::create_directories(std::filesystem::path(Host(path)).parent_path());
      testing::WriteHostFile(Host(path), content);
    });
    Apply(path, attributes);
  }
  void LinkOutside(const std::string& path) override {
    std::filesystem::create_directories(std::filesystem::path(Host(path)).parent_path());
    ASSERT_EQ(symlink((dir_ / "outside").c_str(), Host(path).c_str()), 0);
  }
  void LinkOutsideFile(const std::string& path) override {
    std::filesystem::create_directories(std::filesystem::path(Host(path)).parent_path());
    ASSERT_EQ(symlink((dir_ / "outside/precious.txt").c_str(), Host(path).c_str()), 0);
  }
  bool OutsideIntact() override {
    return testing::ReadHostFile(dir_ / "outside/precious.txt") == "keep me";
  }
  bool OrderedListing() const override { return false; }
  bool HasLinks() const override { return links_; }
  bool KeepsHiddenAndSystem() const override { return hiddenAndSystem_; }
  bool KeepsArchive() const override {
    return store_ == Store::kNtfs || (store_ == Store::kFat && hiddenAndSystem_);
  }

 private:
  // Where this file system keeps DOS attributes for other programs.
  enum class Store { kFat, kNtfs, kWine };

  void Probe() {
    struct statfs info {};
    ASSERT_EQ(statfs(dir_.path().c_str(), &info), 0);
    const long magic = static_cast<long>(info.f_type);
    const std::string probe = dir_ / "probe";
    testing::WriteHostFile(probe, "");
    if (magic == MSDOS_SUPER_MAGIC || magic == 0x2011BAB0 /* exFAT */) {
      store_ = Store::kFat;
      const int fd = open(probe.c_str(), O_RDONLY | O_CLOEXEC);
      uint32_t raw = 0;
      hiddenAndSystem_ = fd >= 0 && ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &raw) == 0;
      if (fd >= 0) close(fd);
    } else if (getxattr(probe.c_str(), "system.ntfs_attrib", nullptr, 0) == 4) {
      store_ = Store::kNtfs;  // ntfs3, or ntfs-3g
    }
    unlink(probe.c_str());
    links_ = symlink("probe", probe.c_str()) == 0;
    unlink(probe.c_str());
  }

  // Runs `make`, which adds `host` and the folders on its way, with every
  // existing folder on that way writable for the while: a read-only folder
  // (a DOS read-only bit) takes no new entries from an unprivileged user.
  template <class Make>
  void InWritableFolders(const std::string& host, Make make) {
    std::vector<std::pair<std::string, mode_t>> opened;
    const std::filesystem::path top = dir_ / "E";
    for (std::filesystem::path p = std::filesystem::path(host).parent_path();
         p.native().size() >= top.native().size(); p = p.parent_path()) {
      struct stat info {};
      if (lstat(p.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_IWUSR) == 0) {
        ASSERT_EQ(chmod(p.c_str(), info.st_mode | S_IWUSR), 0) << p;
        opened.emplace_back(p.string(), info.st_mode & 07777);
      }
      if (p == top) break;
    }
    make();
    for (const auto& [folder, mode] : opened) EXPECT_EQ(chmod(folder.c_str(), mode), 0) << folder;
  }

  // "E:\a\b" -> <temp>/E/a/b
  std::string Host(const std::string& path) {
    std::string out = dir_ / "E";
    for (char c : path.substr(2)) out += c == '\\' ? '/' : c;
    return out;
  }
  // Attributes set the way other programs leave them, not through the code under test.
  void Apply(const std::string& path, Attributes attributes) {
    const std::string host = Host(path);
    const uint32_t dos = (attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem)).Bits();
    if (dos != 0 && store_ == Store::kFat && hiddenAndSystem_) {
      const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_GE(fd, 0) << host;
      uint32_t raw = 0;
      const bool ok = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &raw) == 0 &&
                      (raw |= dos, ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &raw) == 0);
      close(fd);
      ASSERT_TRUE(ok) << host;
      return;
    }
    if (dos != 0 && store_ == Store::kNtfs) {
      unsigned char raw[4] = {};
      ASSERT_EQ(getxattr(host.c_str(), "system.ntfs_attrib", raw, 4), 4);
      raw[0] = static_cast<unsigned char>((raw[0] | dos) & ~0x80u);  // not "normal" any more
      ASSERT_EQ(setxattr(host.c_str(), "system.ntfs_attrib", raw, 4, 0), 0);
      return;
    }
    const uint32_t hs = (attributes & (kAttrHidden | kAttrSystem)).Bits();
    if (hs != 0 && store_ == Store::kWine) {
      char text[16];
      const int len = std::snprintf(text, sizeof text, "0x%x", hs);
      ASSERT_EQ(setxattr(host.c_str(), "user.DOSATTRIB", text, static_cast<size_t>(len), 0), 0);
    }
    if (attributes.HasAny(kAttrReadOnly)) {
      struct stat info {};
      ASSERT_EQ(stat(host.c_str(), &info), 0);
      ASSERT_EQ(chmod(host.c_str(), info.st_mode & ~0222), 0);
    }
  }

  TempFolder dir_;
  Store store_ = Store::kWine;
  bool links_ = true;
  bool hiddenAndSystem_ = true;
  std::unique_ptr<LinuxFileSystem> fs_;
};

using BackendFactory = std::function<std::unique_ptr<Backend>()>;

class ConformanceTest : public ::testing::TestWithParam<BackendFactory> {
 protected:
  void SetUp() override { backend_ = GetParam()(); }
  FileSystem& fs() { return backend_->fs(); }
  Backend& b() { return *backend_; }

  std::vector<std::string> List(std::string_view pattern, FindMode mode = FindMode::kFull) {
    std::vector<std::string> names;
    FindData d;
    auto s = fs().FindFirst(pattern, d, mode);
    if (!s) return names;
    do names.push_back(d.cFileName);
    while (s->FindNext(d));
    if (!b().OrderedListing()) std::sort(names.begin(), names.end());
    return names;
  }
  // The attribute bits both backends keep exactly (archive is always set on
  // Linux files).
  std::optional<Attributes> Attrs(std::string_view path) {
    std::optional<Attributes> a = fs().GetAttributes(path);
    if (a) *a &= ~kAttrArchive;
    return a;
  }
  // `bits` as far as the file system can hold them.
  Attributes Kept(Attributes bits) {
    return b().KeepsHiddenAndSystem() ? bits : bits & ~(kAttrHidden | kAttrSystem);
  }

  std::unique_ptr<Backend> backend_;
};

TEST_P(ConformanceTest, DriveIsReportedWithItsType) {
  EXPECT_NE(fs().GetLogicalDrives() & (1u << ('E' - 'A')), 0u);
  EXPECT_EQ(fs().GetDriveType("E:\\"), kDriveRemovable);
  EXPECT_EQ(fs().GetDriveType("e:"), kDriveRemovable);
  EXPECT_EQ(fs().GetDriveType("Q:\\"), kDriveNoRootDir);
  EXPECT_TRUE(fs().FolderExists("E:\\"));
  EXPECT_FALSE(fs().FileExists("E:\\"));
  EXPECT_EQ(fs().GetAttributes("E:\\"), kAttrDirectory);
}

TEST_P(ConformanceTest, NamesMatchWithoutCaseAndKeepTheirStoredCase) {
  b().File("E:\\Docs\\ReadMe.TXT", "hello");
  EXPECT_TRUE(fs().FileExists("e:\\DOCS\\readme.txt"));
  EXPECT_TRUE(fs().FolderExists("E:\\docs"));
  EXPECT_THAT(List("E:\\docs\\*.*"), ElementsAre("ReadMe.TXT"));
  EXPECT_THAT(fs().SubFolders("e:\\"), ::testing::Optional(ElementsAre("Docs")));
  const auto data = fs().ReadFile("E:\\DOCS\\README.txt", 100);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "hello");
}

TEST_P(ConformanceTest, ExistenceTestsTellFilesFromFoldersAndNeverFail) {
  b().File("E:\\autorun.inf");
  b().Folder("E:\\photos");
  EXPECT_TRUE(fs().FileExists("E:\\autorun.inf"));
  EXPECT_FALSE(fs().FolderExists("E:\\autorun.inf"));
  EXPECT_TRUE(fs().FolderExists("E:\\photos\\"));
  EXPECT_FALSE(fs().FileExists("E:\\photos"));
  for (const char* missing : {"E:\\nothing", "E:\\photos\\x\\y", "E:\\autorun.inf\\x", "Q:\\x",
                              "x.exe", "", "E:\\a*b", "\\\\server\\share"}) {
    EXPECT_FALSE(fs().FileExists(missing)) << missing;
    EXPECT_FALSE(fs().FolderExists(missing)) << missing;
    EXPECT_EQ(fs().GetAttributes(missing), std::nullopt) << missing;
  }
}

// Probe tells "nothing there" from "cannot tell": only the first may let a
// deletion count as done.
TEST_P(ConformanceTest, ProbeSaysMissingOnlyWhenNothingIsThere) {
  b().File("E:\\autorun.inf");
  b().Folder("E:\\photos");
  EXPECT_EQ(fs().Probe("E:\\AUTORUN.INF"), PathState::kFile);
  EXPECT_EQ(fs().Probe("E:\\photos"), PathState::kFolder);
  EXPECT_EQ(fs().Probe("E:\\"), PathState::kFolder);
  EXPECT_EQ(fs().Probe("E:\\nothing"), PathState::kMissing);
  EXPECT_EQ(fs().Probe("E:\\photos\\x\\y"), PathState::kMissing);
  for (const char* unknown : {"E:\\autorun.inf\\x", "Q:\\x", "x.exe", "", "\\\\server\\share"}) {
    EXPECT_EQ(fs().Probe(unknown), PathState::kUnknown) << unknown;
  }
  if (b().HasLinks()) {
    b().LinkOutside("E:\\out");
    EXPECT_EQ(fs().Probe("E:\\out"), PathState::kFile);  // the link itself
    EXPECT_EQ(fs().Probe("E:\\out\\precious.txt"), PathState::kUnknown);
    EXPECT_EQ(fs().Probe("E:\\out\\none.txt"), PathState::kUnknown);
  }
}

TEST_P(ConformanceTest, PathsNeverClimbAboveTheDriveRoot) {
  b().File("E:\\x.exe", "worm");
  EXPECT_TRUE(fs().FileExists("E:\\..\\x.exe"));
  EXPECT_TRUE(fs().FileExists("E:\\..\\..\\sub\\..\\x.exe"));
  // On Linux the folder "outside" sits beside the drive's folder.
  EXPECT_FALSE(fs().FileExists("E:\\..\\outside\\precious.txt"));
  EXPECT_FALSE(fs().DeleteFolderForced("E:\\..\\outside"));
  EXPECT_FALSE(fs().DeleteFolderForced("E:\\..\\"));
  EXPECT_FALSE(fs().DeleteFolderForced("E:\\"));
  EXPECT_TRUE(fs().FileExists("E:\\x.exe"));
  EXPECT_TRUE(b().OutsideIntact());
}

TEST_P(ConformanceTest, AttributesAreReadAndWritten) {
  if (!b().KeepsHiddenAndSystem()) GTEST_SKIP() << "no hidden or system bits here";
  b().File("E:\\run.exe", "x", kAttrHidden | kAttrSystem | kAttrReadOnly);
  b().Folder("E:\\photos", kAttrHidden | kAttrSystem);
  b().File("E:\\.profile", "x");
  EXPECT_EQ(Attrs("E:\\run.exe"), kAttrHidden | kAttrSystem | kAttrReadOnly);
  EXPECT_EQ(Attrs("E:\\photos"), kAttrDirectory | kAttrHidden | kAttrSystem);
  EXPECT_EQ(Attrs("E:\\.profile"), kAttrNormal);  // a leading dot does not hide

  EXPECT_TRUE(fs().SetAttributes("E:\\photos", kAttrNormal));
  EXPECT_EQ(Attrs("E:\\photos"), kAttrDirectory);
  EXPECT_TRUE(fs().SetAttributes("E:\\run.exe", kAttrHidden));
  EXPECT_EQ(Attrs("E:\\run.exe"), kAttrHidden);
  EXPECT_TRUE(fs().SetAttributes("E:\\run.exe", kAttrReadOnly | kAttrSystem));
  EXPECT_EQ(Attrs("E:\\run.exe"), kAttrReadOnly | kAttrSystem);
  EXPECT_TRUE(fs().SetAttributes("E:\\RUN.EXE", kAttrNormal));
  EXPECT_EQ(Attrs("E:\\run.exe"), kAttrNormal);

  EXPECT_FALSE(fs().SetAttributes("E:\\missing", kAttrNormal));
  EXPECT_FALSE(fs().SetAttributes("E:\\", kAttrHidden));
}

TEST_P(ConformanceTest, ReadOnlyFileIsDeletedOnlyAfterItsAttributesAreCleared) {
  b().File("E:\\x.pif", "x", kAttrReadOnly | kAttrHidden);
  EXPECT_FALSE(fs().DeleteFile("E:\\x.pif"));
  EXPECT_TRUE(fs().FileExists("E:\\x.pif"));
  ASSERT_TRUE(fs().SetAttributes("E:\\x.pif", kAttrNormal));
  EXPECT_TRUE(fs().DeleteFile("E:\\X.PIF"));
  EXPECT_FALSE(fs().FileExists("E:\\x.pif"));
  EXPECT_FALSE(fs().DeleteFile("E:\\x.pif"));  // already gone
}

// The removal step of the commands: whatever the attributes, the file goes,
// and the test of the entry after it says so.
TEST_P(ConformanceTest, ForcedDeleteRemovesTheFileWhateverItsAttributes) {
  b().File("E:\\x.pif", "x", kAttrReadOnly | kAttrHidden | kAttrSystem);
  b().File("E:\\Y.SCR", "y", kAttrHidden);
  b().File("E:\\z.dl", "z");
  b().Folder("E:\\photos");
  EXPECT_EQ(fs().ProbeEntry("E:\\x.pif"), PathState::kFile);
  EXPECT_EQ(fs().ProbeEntry("E:\\photos"), PathState::kFolder);
  EXPECT_EQ(fs().ProbeEntry("E:\\photos\\x\\y"), PathState::kMissing);
  EXPECT_EQ(fs().ProbeEntry("E:\\z.dl\\x"), PathState::kUnknown);
  for (const char* path : {"E:\\x.pif", "E:\\Y.SCR", "E:\\z.dl"}) {
    EXPECT_TRUE(fs().DeleteFileForced(path)) << path;
    EXPECT_EQ(fs().ProbeEntry(path), PathState::kMissing) << path;
    EXPECT_FALSE(fs().DeleteFileForced(path)) << path;  // already gone
  }
  EXPECT_FALSE(fs().DeleteFileForced("E:\\photos"));
  EXPECT_THAT(List("E:\\*.*"), ElementsAre("photos"));
}

TEST_P(ConformanceTest, DeleteFileLeavesFoldersAlone) {
  b().Folder("E:\\photos");
  b().File("E:\\photos\\a.jpg");
  EXPECT_FALSE(fs().DeleteFile("E:\\photos"));
  EXPECT_TRUE(fs().FolderExists("E:\\photos"));
  EXPECT_TRUE(fs().FileExists("E:\\photos\\a.jpg"));
}

TEST_P(ConformanceTest, ForcedFolderDeleteRemovesEverythingInside) {
  b().Folder("E:\\Autorun.inf", kAttrHidden | kAttrSystem | kAttrReadOnly);
  b().File("E:\\Autorun.inf\\a.exe", "a", kAttrReadOnly | kAttrHidden);
  b().Folder("E:\\Autorun.inf\\deep\\deeper", kAttrHidden);
  b().File("E:\\Autorun.inf\\deep\\deeper\\b.exe", "b", kAttrReadOnly);
  b().File("E:\\keep.txt", "k");
  EXPECT_TRUE(fs().DeleteFolderForced("e:\\autorun.inf"));
  EXPECT_FALSE(fs().FolderExists("E:\\Autorun.inf"));
  EXPECT_TRUE(fs().FileExists("E:\\keep.txt"));
  EXPECT_FALSE(fs().DeleteFolderForced("E:\\Autorun.inf"));  // nothing left to delete
  EXPECT_FALSE(fs().DeleteFolderForced("E:\\keep.txt"));     // not a folder
  EXPECT_TRUE(fs().FileExists("E:\\keep.txt"));
}

// Windows' SetFileAttributes: the bits given are the bits the entry has
// afterwards; an archive bit left out is cleared.
TEST_P(ConformanceTest, SetAttributesSetsExactlyTheBitsGiven) {
  if (!b().KeepsHiddenAndSystem()) GTEST_SKIP() << "no hidden or system bits here";
  b().File("E:\\x.exe", "x");
  b().Folder("E:\\docs");
  // Where the archive bit has no place of its own it reads as set on files.
  const bool keepsArchive = b().KeepsArchive();
  auto after = [&](std::string_view path, Attributes attributes) {
    EXPECT_TRUE(fs().SetAttributes(path, attributes)) << path;
    std::optional<Attributes> got = fs().GetAttributes(path);
    if (got && !keepsArchive) *got &= ~kAttrArchive;
    return got;
  };
  const Attributes archive = keepsArchive ? kAttrArchive : kAttrNormal;
  EXPECT_EQ(after("E:\\x.exe", kAttrHidden | kAttrSystem | kAttrReadOnly),
            kAttrHidden | kAttrSystem | kAttrReadOnly);
  EXPECT_EQ(after("E:\\x.exe", kAttrHidden | kAttrArchive), kAttrHidden | archive);
  EXPECT_EQ(after("E:\\docs", kAttrHidden | kAttrArchive), kAttrDirectory | kAttrHidden | archive);
  EXPECT_EQ(after("E:\\docs", kAttrSystem), kAttrDirectory | kAttrSystem);
}

// Windows finds no file at "E:\x.exe\": a path that ends in a separator
// names a folder or nothing, and nothing is made or removed through it.
TEST_P(ConformanceTest, APathEndingInASeparatorNamesOnlyAFolder) {
  b().File("E:\\x.exe", "x");
  b().Folder("E:\\docs");
  EXPECT_FALSE(fs().FileExists("E:\\x.exe\\"));
  EXPECT_FALSE(fs().FolderExists("E:\\x.exe\\"));
  EXPECT_EQ(fs().GetAttributes("E:\\x.exe\\"), std::nullopt);
  EXPECT_FALSE(fs().SetAttributes("E:\\x.exe\\", kAttrHidden));
  EXPECT_FALSE(fs().ReadFile("E:\\x.exe\\", 100).has_value());
  EXPECT_FALSE(fs().DeleteFile("E:\\x.exe\\"));
  EXPECT_FALSE(fs().DeleteFileForced("E:\\x.exe\\"));
  EXPECT_FALSE(fs().CopyFile("E:\\x.exe\\", "E:\\y.exe"));
  EXPECT_FALSE(fs().CopyFile("E:\\x.exe", "E:\\new.exe\\"));
  EXPECT_FALSE(fs().CopyFile("E:\\x.exe", "E:\\x.exe\\"));
  EXPECT_TRUE(fs().FileExists("E:\\x.exe"));
  EXPECT_FALSE(HasAny(fs().GetAttributes("E:\\x.exe"), kAttrHidden));
  EXPECT_EQ(fs().ReadFile("E:\\x.exe", 100), std::vector<uint8_t>{'x'});
  EXPECT_FALSE(fs().FileExists("E:\\new.exe")) << "a file was made through a folder path";
  EXPECT_FALSE(fs().FileExists("E:\\y.exe"));
  // A folder is found either way.
  EXPECT_TRUE(fs().FolderExists("E:\\docs\\"));
  EXPECT_TRUE(HasAll(fs().GetAttributes("E:\\docs\\"), kAttrDirectory));
}

TEST_P(ConformanceTest, LinksAreDeletedThemselvesAndNeverFollowed) {
  if (!b().HasLinks()) GTEST_SKIP() << "no links on this file system";
  b().LinkOutside("E:\\Autorun.inf");
  b().LinkOutsideFile("E:\\setup.exe");
  b().LinkOutside("E:\\box\\jump");
  b().File("E:\\box\\a.txt");

  // A link to a folder is no folder of the drive and cannot be entered.
  EXPECT_FALSE(fs().FolderExists("E:\\Autorun.inf"));
  EXPECT_TRUE(fs().FileExists("E:\\Autorun.inf"));
  EXPECT_TRUE(HasAny(fs().GetAttributes("E:\\Autorun.inf"), kAttrReparsePoint));
  EXPECT_FALSE(fs().FileExists("E:\\Autorun.inf\\precious.txt"));
  FindData d;
  EXPECT_EQ(fs().FindFirst("E:\\Autorun.inf\\*.*", d), nullptr);
  EXPECT_FALSE(fs().DeleteFolderForced("E:\\Autorun.inf"));
  EXPECT_FALSE(fs().ReadFile("E:\\setup.exe", 100).has_value());
  EXPECT_FALSE(fs().SetAttributes("E:\\setup.exe", kAttrHidden));

  // The forced delete removes a link inside the folder, not what it points at.
  EXPECT_TRUE(fs().DeleteFolderForced("E:\\box"));
  EXPECT_TRUE(fs().SetAttributes("E:\\setup.exe", kAttrNormal));
  EXPECT_TRUE(fs().DeleteFile("E:\\setup.exe"));
  EXPECT_TRUE(fs().DeleteFile("E:\\Autorun.inf"));
  EXPECT_FALSE(fs().FileExists("E:\\Autorun.inf"));
  EXPECT_TRUE(b().OutsideIntact());
}

TEST_P(ConformanceTest, ListingsFillTheRecordAndHonourThePattern) {
  FindData d;
  EXPECT_EQ(fs().FindFirst("E:\\*.*", d), nullptr);  // an empty root
  b().File("E:\\zeta.exe", "12345", kAttrHidden | kAttrSystem);
  b().Folder("E:\\alpha", kAttrHidden);
  b().File("E:\\Mid.PIF", "");
  b().Folder("E:\\alpha\\inner");

  EXPECT_EQ(fs().FindFirst("E:\\alpha\\inner\\*.*", d), nullptr);  // never "." or ".."
  EXPECT_EQ(fs().FindFirst("E:\\missing\\*.*", d), nullptr);
  if (b().OrderedListing()) {
    EXPECT_THAT(List("E:\\*.*"), ElementsAre("zeta.exe", "alpha", "Mid.PIF"));
  } else {
    EXPECT_THAT(List("E:\\*.*"), ElementsAre("Mid.PIF", "alpha", "zeta.exe"));
  }
  EXPECT_THAT(List("E:\\*.pif"), ElementsAre("Mid.PIF"));
  EXPECT_THAT(List("E:\\ZETA.EXE"), ElementsAre("zeta.exe"));
  EXPECT_THAT(List("E:\\alpha\\*"), ElementsAre("inner"));

  std::map<std::string, FindData> full, cheap;
  for (auto [mode, out] : {std::pair{FindMode::kFull, &full}, {FindMode::kNamesOnly, &cheap}}) {
    auto s = fs().FindFirst("E:\\*", d, mode);
    ASSERT_TRUE(s);
    do (*out)[d.cFileName] = d;
    while (s->FindNext(d));
  }
  EXPECT_EQ(full["zeta.exe"].dwFileAttributes & ~kAttrArchive, Kept(kAttrHidden | kAttrSystem));
  EXPECT_EQ(full["zeta.exe"].nFileSize, 5u);
  EXPECT_EQ(full["alpha"].dwFileAttributes & ~kAttrArchive, kAttrDirectory | Kept(kAttrHidden));
  EXPECT_EQ(cheap["zeta.exe"].dwFileAttributes, kAttrNormal);
  EXPECT_EQ(cheap["zeta.exe"].nFileSize, 0u);
  EXPECT_EQ(cheap["alpha"].dwFileAttributes, kAttrDirectory);
  EXPECT_EQ(cheap.size(), 3u);
}

TEST_P(ConformanceTest, SubFoldersNameOnlyTheFolders) {
  b().Folder("E:\\a", kAttrHidden);
  b().File("E:\\b.exe");
  b().Folder("E:\\c");
  b().File("E:\\c\\d\\e.txt");
  auto names = fs().SubFolders("E:\\");
  ASSERT_TRUE(names);
  std::sort(names->begin(), names->end());
  EXPECT_THAT(*names, ElementsAre("a", "c"));
  EXPECT_THAT(fs().SubFolders("E:\\c"), ::testing::Optional(ElementsAre("d")));
  EXPECT_FALSE(fs().SubFolders("E:\\missing").has_value());
  EXPECT_FALSE(fs().SubFolders("E:\\b.exe").has_value());
}

TEST_P(ConformanceTest, ReadFileStopsAtTheLimit) {
  b().File("E:\\autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  b().Folder("E:\\dir");
  const auto whole = fs().ReadFile("E:\\autorun.inf", 1 << 20);
  ASSERT_TRUE(whole);
  EXPECT_EQ(std::string(whole->begin(), whole->end()), "[autorun]\r\nopen=x.exe\r\n");
  const auto cut = fs().ReadFile("E:\\autorun.inf", 9);
  ASSERT_TRUE(cut);
  EXPECT_EQ(std::string(cut->begin(), cut->end()), "[autorun]");
  EXPECT_FALSE(fs().ReadFile("E:\\dir", 10).has_value());
  EXPECT_FALSE(fs().ReadFile("E:\\missing", 10).has_value());
}

TEST_P(ConformanceTest, CopyFileCreatesOrReplacesButNeverWritesThroughALink) {
  b().File("E:\\setup.exe", "program");
  b().File("E:\\old.exe", "old");
  b().File("E:\\locked.exe", "locked", kAttrReadOnly);
  b().Folder("E:\\folder");
  const bool links = b().HasLinks();
  if (links) b().LinkOutsideFile("E:\\trap.exe");

  EXPECT_TRUE(fs().CopyFile("E:\\setup.exe", "E:\\folder\\copy.exe"));
  EXPECT_TRUE(fs().CopyFile("E:\\setup.exe", "E:\\OLD.exe"));
  EXPECT_FALSE(fs().CopyFile("E:\\setup.exe", "E:\\locked.exe"));
  EXPECT_FALSE(fs().CopyFile("E:\\setup.exe", "E:\\folder"));
  EXPECT_FALSE(fs().CopyFile("E:\\setup.exe", "E:\\nowhere\\copy.exe"));
  EXPECT_FALSE(fs().CopyFile("E:\\missing.exe", "E:\\copy.exe"));
  if (links) {
    EXPECT_TRUE(fs().CopyFile("E:\\setup.exe", "E:\\trap.exe"));
  }

  for (const char* copy : {"E:\\folder\\copy.exe", "E:\\old.exe", "E:\\trap.exe"}) {
    if (!links && std::string_view(copy) == "E:\\trap.exe") continue;
    const auto data = fs().ReadFile(copy, 100);
    ASSERT_TRUE(data) << copy;
    EXPECT_EQ(std::string(data->begin(), data->end()), "program") << copy;
  }
  const auto locked = fs().ReadFile("E:\\locked.exe", 100);
  ASSERT_TRUE(locked);
  EXPECT_EQ(std::string(locked->begin(), locked->end()), "locked");
  EXPECT_THAT(List("E:\\old.exe"), ElementsAre("old.exe"));  // the stored name stays
  EXPECT_TRUE(b().OutsideIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Backends, ConformanceTest,
    ::testing::Values(BackendFactory([] { return std::make_unique<MemoryBackend>(); }),
                      BackendFactory([] { return std::make_unique<LinuxBackend>(); })),
    [](const ::testing::TestParamInfo<BackendFactory>& info) {
      return info.index == 0 ? std::string("Memory") : std::string("Linux");
    });

}  // namespace
}  // namespace veltrano::fs
