// The cleanup on real folders through the Linux backend: exact names, links,
// other mounts and a fake system root.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "app/form_state.h"
#include "cleanup/cleanup_command.h"
#include "platform/fs/linux_dir.h"
#include "platform/fs/linux_file_system.h"
#include "platform/host/headless_window_host.h"
#include "tests/cleanup/host_tree.h"

namespace veltrano::cleanup {
namespace {

using veltrano::testing::DosBits;
using veltrano::testing::Exists;
using veltrano::testing::Files;
using veltrano::testing::MakeDirs;
using veltrano::testing::TempFolder;
using veltrano::testing::Touch;

// A cleanup answered Yes on drive C: mapped to `root`; returns the log.
std::vector<std::string> CleanUp(const std::string& root) {
  fs::LinuxFileSystem fileSystem(std::vector<fs::DriveSpec>{{'C', fs::kDriveFixed, root}});
  host::HeadlessWindowHost host;
  FormState form(fileSystem, host);
  host.AnswerNextMessageBox(host::MsgAnswer::kYes);
  menuclean_Click(form);
  return form.List1.Lines();
}

TEST(CleanupOnRealFolders, EachLoggedPathNamesTheVeryFileFound) {
  TempFolder tree;
  const std::string c = tree / "c";
  // Junk whose names hold '\', ':' or bytes that are not UTF-8, next to
  // look-alikes that a lossy name mapping would confuse them with.
  const std::set<std::string> junk = {
      "Windows/Temp/a\\b.txt",  // in a junk folder; "a/b.txt" below is not junk
      "docs/\xff.chk",          // a stray byte
      "docs/\xc3\xbf.chk",      // the character that byte is in Latin-1
      "docs/\xef\x83\xbf.chk",  // the private-use character a stray 0xFF is shown as
      "docs/we:ird?.chk",      "docs/\xe6\x96\x87\xe4\xbb\xb6.CHK",
  };
  const std::set<std::string> keep = {"Windows/Temp/a/b.txt", "docs/keep.txt", "docs/\xff.txt",
                                      "docs/chk"};
  for (const std::string& f : junk) Touch(c + "/" + f);
  for (const std::string& f : keep) Touch(c + "/" + f, "keep");

  const std::vector<std::string> log = CleanUp(c);
  ASSERT_EQ(log.size(), junk.size());
  for (const std::string& line : log) EXPECT_EQ(line.rfind("删除 C:\\", 0), 0u) << line;
  EXPECT_EQ(std::set<std::string>(log.begin(), log.end()).size(), junk.size());  // all distinct
  EXPECT_EQ(Files(c), keep);
}

TEST(CleanupOnRealFolders, LinksAreNeverFollowed) {
  TempFolder tree;
  const std::string c = tree / "c";
  Touch(tree / "outside/Temp/secret.txt", "keep");
  Touch(tree / "outside/precious.chk", "keep");
  MakeDirs(c + "/Local Settings");
  ASSERT_EQ(symlink((tree / "outside/Temp").c_str(), (c + "/Local Settings/Temp").c_str()), 0);
  ASSERT_EQ(symlink((tree / "outside/precious.chk").c_str(), (c + "/link.chk").c_str()), 0);
  ASSERT_EQ(symlink((tree / "outside").c_str(), (c + "/into").c_str()), 0);

  const std::vector<std::string> log = CleanUp(c);
  // Not even the link named like junk is taken: it is not the file it names.
  EXPECT_THAT(log, ::testing::IsEmpty());
  EXPECT_TRUE(Exists(c + "/link.chk"));
  EXPECT_TRUE(Exists(tree / "outside/precious.chk"));
  EXPECT_TRUE(Exists(tree / "outside/Temp/secret.txt"));
  EXPECT_TRUE(Exists(c + "/Local Settings/Temp"));
}

// Mounting needs root (or a user namespace); where it is impossible the test skips.
class MountPoint {
 public:
  explicit MountPoint(std::string path) : path_(std::move(path)) {
    MakeDirs(path_);
    mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~MountPoint() {
    if (mounted_) umount(path_.c_str());
  }
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST(CleanupOnRealFolders, FakeSystemRootKeepsItsSystemAndOtherMounts) {
  TempFolder tree;
  const std::string c = tree / "root";
  Touch(c + "/etc/ssl/old.chk");
  Touch(c + "/usr/lib/x86_64-linux-gnu/libsoftokn3.chk");
  Touch(c + "/lib64/a.chk");
  Touch(c + "/var/lib/apt/x.chk");
  Touch(c + "/var/lib/dpkg/info/libnss3-tools.list",
        "/.\n/usr\n/usr/lib/x86_64-linux-gnu/libsoftokn3.chk\n/opt/nss/freebl.chk\n"
        "/opt/nss/\xff\\x:y\xef\x80\x80.chk\n");
  Touch(c + "/opt/nss/freebl.chk");
  Touch(c + "/opt/nss/\xff\\x:y\xef\x80\x80.chk");  // owned, shown under a mapped name
  Touch(c + "/opt/nss/stale.chk");
  Touch(c + "/var/tmp/Thumbs.db");
  Touch(c + "/home/u/pics/Thumbs.db");
  MountPoint proc(c + "/proc");
  MountPoint media(c + "/media/usb");
  if (!proc.mounted() || !media.mounted()) GTEST_SKIP() << "cannot mount here";
  Touch(c + "/proc/1.chk");
  Touch(c + "/media/usb/Thumbs.db");

  const std::set<std::string> before = Files(c);
  const std::vector<std::string> log = CleanUp(c);
  // Real folders list in the file system's own order.
  EXPECT_THAT(log, ::testing::UnorderedElementsAre("删除 C:\\opt\\nss\\stale.chk",
                                                   "删除 C:\\var\\tmp\\Thumbs.db",
                                                   "删除 C:\\home\\u\\pics\\Thumbs.db"));
  std::set<std::string> expected = before;
  for (const char* gone : {"opt/nss/stale.chk", "var/tmp/Thumbs.db", "home/u/pics/Thumbs.db"}) {
    expected.erase(gone);
  }
  EXPECT_EQ(Files(c), expected);
}

// A system whose /usr is a mount of its own, with a chroot below it whose
// /usr is one too: both are system roots, each guarded by its own lists.
TEST(CleanupOnRealFolders, SystemsWithUsrMountedApartAreGuarded) {
  TempFolder tree;
  const std::string c = tree / "root";
  const std::string chroot = c + "/srv/chroot/sid";
  for (const std::string& root : {c, chroot}) {
    MakeDirs(root + "/etc");
    Touch(root + "/var/lib/dpkg/info/libnss3.list", "/opt/nss/freebl.chk\n");
    Touch(root + "/var/lib/apt/x.chk");
    Touch(root + "/opt/nss/freebl.chk");
    Touch(root + "/opt/nss/stale.chk");
  }
  MountPoint usr(c + "/usr");
  MountPoint chrootUsr(chroot + "/usr");
  if (!usr.mounted() || !chrootUsr.mounted()) GTEST_SKIP() << "cannot mount here";

  const std::vector<std::string> log = CleanUp(c);
  EXPECT_THAT(log, ::testing::UnorderedElementsAre(
                       "删除 C:\\opt\\nss\\stale.chk", "删除 C:\\srv\\chroot\\sid\\opt\\nss\\stale.chk"));
  for (const std::string& root : {c, chroot}) {
    EXPECT_TRUE(Exists(root + "/opt/nss/freebl.chk"));
    EXPECT_TRUE(Exists(root + "/var/lib/apt/x.chk"));
    EXPECT_FALSE(Exists(root + "/opt/nss/stale.chk"));
  }
}

// A file bound over a junk-named file lists as that file, but it is another
// mount: it is neither deleted nor reported as deleted.
TEST(CleanupOnRealFolders, AJunkNameAnotherMountStandsOnIsAFailure) {
  TempFolder tree;
  const std::string c = tree / "c";
  Touch(c + "/Recycled/a.txt");
  Touch(c + "/Recycled/b.txt");
  Touch(tree / "outside/precious.txt", "keep");
  if (mount((tree / "outside/precious.txt").c_str(), (c + "/Recycled/b.txt").c_str(), nullptr,
            MS_BIND, nullptr) != 0) {
    GTEST_SKIP() << "cannot mount here";
  }
  struct Unmount {
    std::string where;
    ~Unmount() { umount2(where.c_str(), MNT_DETACH); }
  } unmount{c + "/Recycled/b.txt"};

  const std::vector<std::string> log = CleanUp(c);
  EXPECT_THAT(log, ::testing::UnorderedElementsAre("删除 C:\\Recycled\\a.txt",
                                                   "删除失败 C:\\Recycled\\b.txt"));
  EXPECT_FALSE(Exists(c + "/Recycled/a.txt"));
  std::ifstream in(tree / "outside/precious.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
}

// While the cleanup searches C:, the folder of D: is swapped for a link to
// somewhere else; at the confirmation, a junk folder already searched is
// moved out of the drive. Neither move takes the cleanup outside its drives.
TEST(CleanupOnRealFolders, FoldersMovedDuringTheRunAreNotFollowed) {
  TempFolder tree;
  const std::string c = tree / "c";
  const std::string d = tree / "d";
  Touch(c + "/a/Thumbs.db");
  Touch(c + "/Recycled/r.txt");
  Touch(d + "/x.chk");
  Touch(tree / "outside/x.chk", "keep");
  MakeDirs(tree / "elsewhere");
  fs::LinuxFileSystem fileSystem(
      std::vector<fs::DriveSpec>{{'C', fs::kDriveFixed, c}, {'D', fs::kDriveFixed, d}});
  host::HeadlessWindowHost host;
  FormState form(fileSystem, host);
  host.AtPump(1, [&] {  // C:\ is being searched
    ASSERT_EQ(rename(d.c_str(), (tree / "d.old").c_str()), 0);
    ASSERT_EQ(symlink((tree / "outside").c_str(), d.c_str()), 0);
  });
  // The last folder searched is D:\; the box follows the search.
  host.AtPump(4, [&] {
    ASSERT_EQ(rename((c + "/Recycled").c_str(), (tree / "elsewhere/Recycled").c_str()), 0);
  });
  host.AnswerNextMessageBox(host::MsgAnswer::kYes);
  menuclean_Click(form);
  EXPECT_EQ(host.PumpCount(), 4);
  EXPECT_THAT(form.List1.Lines(),
              ::testing::UnorderedElementsAre("删除 C:\\a\\Thumbs.db", "删除 C:\\Recycled\\r.txt",
                                              "删除 D:\\x.chk"));
  EXPECT_FALSE(Exists(c + "/a/Thumbs.db"));
  EXPECT_FALSE(Exists(tree / "d.old/x.chk"));  // D: is the folder it was given
  EXPECT_TRUE(Exists(tree / "outside/x.chk"));
  EXPECT_TRUE(Exists(tree / "elsewhere/Recycled/r.txt"));
}

// A junk file with a second name outside the drive: the cleanup removes the
// drive's name only, and the file outside keeps its mode and attributes.
TEST(CleanupOnRealFolders, HardLinkedJunkLeavesTheSharedFileAlone) {
  TempFolder tree;
  const std::string c = tree / "c";
  Touch(tree / "outside/keep.txt", "keep");
  veltrano::testing::SetDosBits(tree / "outside/keep.txt", 2);
  chmod((tree / "outside/keep.txt").c_str(), 0444);
  MakeDirs(c + "/Recycled");
  ASSERT_EQ(link((tree / "outside/keep.txt").c_str(), (c + "/Recycled/r.txt").c_str()), 0);

  EXPECT_THAT(CleanUp(c), ::testing::ElementsAre("删除 C:\\Recycled\\r.txt"));
  EXPECT_FALSE(Exists(c + "/Recycled/r.txt"));
  struct stat info {};
  ASSERT_EQ(stat((tree / "outside/keep.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(DosBits(tree / "outside/keep.txt"), 2u);
}

// Thousands of junk files in one folder: each deletion and the test after it
// reach their own entry, so the folders are listed a few times in all, not
// once per deleted file.
TEST(CleanupOnRealFolders, DeletionsListTheirFoldersAFewTimesInAll) {
  TempFolder tree;
  const std::string c = tree / "c";
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) {
    Touch(c + (i % 2 ? "/a/Cookies/" : "/b/Cookies/") + std::to_string(i) + ".txt");
  }
  const uint64_t before = fs::DirEntriesRead();
  const std::vector<std::string> log = CleanUp(c);
  const uint64_t read = fs::DirEntriesRead() - before;
  ASSERT_EQ(log.size(), static_cast<size_t>(kFiles));
  for (const std::string& line : log) ASSERT_EQ(line.rfind("删除 C:\\", 0), 0u) << line;
  EXPECT_TRUE(Files(c).empty());
  EXPECT_LE(read, 5u * kFiles);
}

// x.chk and X.CHK are two files where letter case tells names apart: two
// lines, each deleted and reported by its own name.
TEST(CleanupOnRealFolders, CaseTwinsAreDeletedAndReportedEach) {
  TempFolder tree;
  const std::string c = tree / "c";
  Touch(c + "/x.chk");
  Touch(c + "/X.CHK");
  Touch(c + "/keep.txt", "keep");
  const std::vector<std::string> log = CleanUp(c);
  EXPECT_THAT(log, ::testing::UnorderedElementsAre("删除 C:\\x.chk", "删除 C:\\X.CHK"));
  EXPECT_EQ(Files(c), std::set<std::string>{"keep.txt"});
}

}  // namespace
}  // namespace veltrano::cleanup
