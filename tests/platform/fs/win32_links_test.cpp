// Junctions and symbolic links before the Win32 backend and the commands.
// Wine cannot make them (CreateSymbolicLinkW makes nothing, and Linux links
// show as plain entries), so a stand-in for the system's calls presents them:
// each link lives only in the stand-in and points at a real folder or file
// outside the drive. A call that follows a link reaches its target and is
// noted; the tests check that none does and that the targets stay as they
// were, while the links themselves are judged, changed and removed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <string>
#include <vector>

// Before <windows.h>, whose MessageBox macro would rename the host's member.
#include "commands/form1.h"
#include "platform/host/headless_window_host.h"

#include "platform/fs/win32_file_system.h"
#include "platform/fs/win32_native.h"
#include "platform/text/wide_text_win32.h"
#include "tests/testing/win32_fixture.h"

namespace veltrano::fs {
namespace {

using testing::Content;
using testing::DriveFolder;
using testing::MakeFile;
using testing::MakeFolder;
using testing::Native;
using testing::RawAttributes;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::wstring Fold(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return out;
}

class LinkStage : public win32::NativeCalls {
 public:
  // A junction or directory symbolic link at `link`, pointing at `target`.
  void FolderLink(const std::string& link, const std::string& target, DWORD bits = 0) {
    links_[Fold(Native(link))] = {Native(link), Native(target),
                                  FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | bits};
  }
  // A file symbolic link at `link`, pointing at `target`.
  void FileLink(const std::string& link, const std::string& target, DWORD bits = 0) {
    links_[Fold(Native(link))] = {Native(link), Native(target),
                                  FILE_ATTRIBUTE_REPARSE_POINT | (bits != 0 ? bits : FILE_ATTRIBUTE_ARCHIVE)};
  }
  bool Present(const std::string& link) const { return links_.count(Fold(Native(link))) != 0; }
  // The link's own attributes.
  DWORD Bits(const std::string& link) const { return links_.at(Fold(Native(link))).attributes; }

  // Every call made, as "call path"; and those that went through a link.
  std::vector<std::string> calls;
  std::vector<std::string> through;

  DWORD Attributes(const std::wstring& p) override {
    if (const Link* l = At(p, "attributes")) return l->attributes;
    return NativeCalls::Attributes(Follow(p, "attributes"));
  }
  bool SetEntryAttributes(const std::wstring& p, DWORD bits) override {
    if (Link* l = At(p, "set-attributes")) {
      l->attributes = (l->attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) |
                      (bits & ~FILE_ATTRIBUTE_NORMAL);
      return true;
    }
    return NativeCalls::SetEntryAttributes(Follow(p, "set-attributes"), bits);
  }
  bool DeleteFileEntry(const std::wstring& p) override {
    if (Link* l = At(p, "delete-file")) {
      if (win32::IsFolderLink(l->attributes)) return Refuse(ERROR_ACCESS_DENIED);
      links_.erase(Fold(p));
      return true;
    }
    return NativeCalls::DeleteFileEntry(Follow(p, "delete-file"));
  }
  bool RemoveFolderEntry(const std::wstring& p) override {
    if (Link* l = At(p, "remove-folder")) {
      if (!win32::IsFolderLink(l->attributes)) return Refuse(ERROR_DIRECTORY);
      links_.erase(Fold(p));
      return true;
    }
    return NativeCalls::RemoveFolderEntry(Follow(p, "remove-folder"));
  }
  HANDLE FindFirst(const std::wstring& folder, WIN32_FIND_DATAW& w) override {
    Note("list", folder);
    std::wstring real = folder;
    while (!real.empty() && real.back() == L'\\') real.pop_back();
    if (Owner(real) != nullptr) real = Follow(real, "list");
    HANDLE h = NativeCalls::FindFirst(real, w);
    if (h == INVALID_HANDLE_VALUE) return h;
    // The links of this folder come after its real entries.
    std::vector<WIN32_FIND_DATAW>& extra = pending_[h];
    for (const auto& [key, l] : links_) {
      const size_t cut = l.path.rfind(L'\\');
      if (Fold(l.path.substr(0, cut)) != Fold(real)) continue;
      WIN32_FIND_DATAW e{};
      e.dwFileAttributes = l.attributes;
      const std::wstring name = l.path.substr(cut + 1);
      name.copy(e.cFileName, MAX_PATH - 1);
      extra.push_back(e);
    }
    return h;
  }
  bool FindNext(HANDLE h, WIN32_FIND_DATAW& w) override {
    if (NativeCalls::FindNext(h, w)) return true;
    std::vector<WIN32_FIND_DATAW>& extra = pending_[h];
    if (extra.empty()) return false;
    w = extra.back();
    extra.pop_back();
    return true;
  }
  void FindClose(HANDLE h) override {
    pending_.erase(h);
    NativeCalls::FindClose(h);
  }
  bool CopyFileEntry(const std::wstring& from, const std::wstring& to) override {
    return NativeCalls::CopyFileEntry(Follow(from, "copy-from"), Follow(to, "copy-to"));
  }

 private:
  struct Link {
    std::wstring path;
    std::wstring target;
    DWORD attributes;
  };

  static bool Refuse(DWORD error) {
    ::SetLastError(error);
    return false;
  }
  void Note(const char* call, const std::wstring& p) {
    calls.push_back(std::string(call) + " " + text::WideToUtf8(p));
  }
  // The link itself at `p`, noting the call.
  Link* At(const std::wstring& p, const char* call) {
    Note(call, p);
    const auto it = links_.find(Fold(p));
    return it == links_.end() ? nullptr : &it->second;
  }
  // The link that `p` lies at or below.
  const Link* Owner(const std::wstring& p) const {
    const std::wstring folded = Fold(p);
    for (const auto& [key, l] : links_) {
      if (folded == key || (folded.starts_with(key) && folded[key.size()] == L'\\')) return &l;
    }
    return nullptr;
  }
  // Where a call on `p` lands: past a link on the way, in its target.
  std::wstring Follow(const std::wstring& p, const char* call) {
    const Link* l = Owner(p);
    if (l == nullptr) return p;
    through.push_back(std::string(call) + " " + text::WideToUtf8(p));
    return l->target + p.substr(l->path.size());
  }

  std::map<std::wstring, Link> links_;
  std::map<HANDLE, std::vector<WIN32_FIND_DATAW>> pending_;
};

// A drive folder (the stick) and, beside it, what its links point at.
class Win32Links : public ::testing::Test {
 protected:
  DriveFolder dir;
  const std::string usb = dir / "usb";
  const std::string outside = dir / "outside";
  LinkStage stage;

  void SetUp() override {
    MakeFolder(usb);
    MakeFile(outside + "\\secret\\precious.txt", "keep");
    ASSERT_TRUE(::SetFileAttributesW(Native(outside + "\\secret").c_str(), FILE_ATTRIBUTE_HIDDEN));
    MakeFile(outside + "\\precious.exe", "keep", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  }

  // The targets are as they were.
  void ExpectOutsideIntact() {
    EXPECT_EQ(Content(outside + "\\secret\\precious.txt"), "keep");
    EXPECT_EQ(RawAttributes(outside + "\\secret") & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(Content(outside + "\\precious.exe"), "keep");
    EXPECT_EQ(RawAttributes(outside + "\\precious.exe") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_THAT(stage.through, IsEmpty());
  }

  // Runs one command of the window on the stick, given as removable E:.
  std::vector<std::string> Run(void (Form1::*command)()) {
    Win32FileSystem fileSystem({{'E', kDriveRemovable, usb}}, &stage);
    host::HeadlessWindowHost host;
    Form1 form(fileSystem, host);
    (form.*command)();
    return form.List1.Lines();
  }
};

TEST_F(Win32Links, AFolderLinkIsAFolderThatIsNeverEnteredAndGoesItself) {
  stage.FolderLink(usb + "\\Autorun.inf", outside + "\\secret", FILE_ATTRIBUTE_HIDDEN);
  Win32FileSystem fs({{'E', kDriveRemovable, usb}}, &stage);

  EXPECT_FALSE(fs.FileExists("E:\\autorun.inf"));
  EXPECT_TRUE(fs.FolderExists("E:\\Autorun.inf"));
  EXPECT_TRUE(fs.FolderExists("E:\\Autorun.inf\\"));
  EXPECT_EQ(fs.Probe("E:\\AUTORUN.INF"), PathState::kFolder);
  EXPECT_EQ(fs.GetAttributes("E:\\Autorun.inf"), kAttrReparsePoint | kAttrHidden);
  // Nothing behind it is found, listed, read or deleted.
  EXPECT_FALSE(fs.FileExists("E:\\Autorun.inf\\precious.txt"));
  EXPECT_EQ(fs.Probe("E:\\Autorun.inf\\precious.txt"), PathState::kUnknown);
  FindData d;
  EXPECT_EQ(fs.FindFirst("E:\\Autorun.inf\\*.*", d), nullptr);
  EXPECT_FALSE(fs.SubFolders("E:\\Autorun.inf").has_value());
  EXPECT_FALSE(fs.ReadFile("E:\\Autorun.inf", 100).has_value());
  EXPECT_FALSE(fs.DeleteFile("E:\\Autorun.inf\\precious.txt"));
  EXPECT_FALSE(fs.CopyFile("E:\\Autorun.inf\\precious.txt", "E:\\copy.txt"));

  // Its own attributes change, and the forced delete removes the link alone.
  EXPECT_TRUE(fs.SetAttributes("E:\\Autorun.inf", kAttrNormal | kAttrReadOnly));
  EXPECT_EQ(stage.Bits(usb + "\\Autorun.inf"),
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                               FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(fs.DeleteFolderForced("E:\\Autorun.inf"));
  EXPECT_FALSE(stage.Present(usb + "\\Autorun.inf"));
  EXPECT_FALSE(fs.FolderExists("E:\\Autorun.inf"));
  EXPECT_THAT(stage.calls, Contains("remove-folder " + text::WideToUtf8(Native(usb + "\\Autorun.inf"))));
  ExpectOutsideIntact();
}

TEST_F(Win32Links, AFileLinkIsAFileThatIsNeverReadAndGoesItself) {
  stage.FileLink(usb + "\\setup.exe", outside + "\\precious.exe",
                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFolder(usb + "\\box");
  stage.FolderLink(usb + "\\box\\jump", outside + "\\secret");
  stage.FileLink(usb + "\\box\\run.exe", outside + "\\precious.exe", FILE_ATTRIBUTE_READONLY);
  Win32FileSystem fs({{'E', kDriveRemovable, usb}}, &stage);

  EXPECT_TRUE(fs.FileExists("E:\\setup.exe"));
  EXPECT_FALSE(fs.FolderExists("E:\\setup.exe"));
  EXPECT_EQ(fs.Probe("E:\\setup.exe"), PathState::kFile);
  EXPECT_FALSE(fs.ReadFile("E:\\setup.exe", 100).has_value());
  EXPECT_FALSE(fs.CopyFile("E:\\setup.exe", "E:\\copy.exe"));
  EXPECT_TRUE(fs.DeleteFileForced("E:\\setup.exe"));
  EXPECT_FALSE(stage.Present(usb + "\\setup.exe"));

  // The forced delete of a folder removes the links in it, not their targets.
  EXPECT_TRUE(fs.DeleteFolderForced("E:\\box"));
  EXPECT_FALSE(stage.Present(usb + "\\box\\jump"));
  EXPECT_FALSE(stage.Present(usb + "\\box\\run.exe"));
  EXPECT_EQ(RawAttributes(usb + "\\box"), INVALID_FILE_ATTRIBUTES);
  ExpectOutsideIntact();
}

TEST_F(Win32Links, TheSweepRemovesLinksThemselvesAndNeverActsThroughThem) {
  stage.FolderLink(usb + "\\Autorun.inf", outside + "\\secret", FILE_ATTRIBUTE_HIDDEN);
  stage.FileLink(usb + "\\svchost.exe", outside + "\\precious.exe",
                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  // A program beside a hidden folder link is no fake-folder worm: the link is no folder of the stick.
  stage.FolderLink(usb + "\\docs", outside + "\\secret", FILE_ATTRIBUTE_HIDDEN);
  MakeFile(usb + "\\docs.exe", "mine");

  EXPECT_THAT(Run(&Form1::menuqim_Click),
              ElementsAre("", "可移动磁盘E:\\", "    发现可疑病毒文件夹：Autorun.inf 已删除！",
                          "    发现可疑病毒：svchost.exe 已清除！", "", "", "",
                          "    共清除病毒数： 2个！"));
  EXPECT_FALSE(stage.Present(usb + "\\Autorun.inf"));
  EXPECT_FALSE(stage.Present(usb + "\\svchost.exe"));
  EXPECT_TRUE(stage.Present(usb + "\\docs"));
  EXPECT_EQ(Content(usb + "\\docs.exe"), "mine");
  ExpectOutsideIntact();
}

TEST_F(Win32Links, TheRepairAndTheCleanupLeaveLinksAndWhatTheyPointAtAlone) {
  MakeFolder(usb + "\\Photos", FILE_ATTRIBUTE_HIDDEN);
  stage.FolderLink(usb + "\\Music", outside + "\\secret", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_THAT(Run(&Form1::reudir_Click),
              ElementsAre("修复丢失文件夹  E:\\Photos", "", "", " U盘修复完毕,共修复文件夹： 1个！"));
  EXPECT_EQ(stage.Bits(usb + "\\Music") & FILE_ATTRIBUTE_HIDDEN,
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

  // Junk behind links (a temp folder, a .chk file) is neither found nor deleted.
  MakeFile(outside + "\\secret\\Temp\\x.chk", "keep");
  MakeFile(outside + "\\old.chk", "keep");
  stage.FolderLink(usb + "\\Windows", outside + "\\secret");
  stage.FileLink(usb + "\\old.chk", outside + "\\old.chk");
  MakeFile(usb + "\\real.chk", "junk");
  EXPECT_THAT(Run(&Form1::menuclean_Click), ElementsAre("删除 E:\\real.chk"));
  EXPECT_EQ(RawAttributes(usb + "\\real.chk"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(stage.Present(usb + "\\old.chk"));
  EXPECT_EQ(Content(outside + "\\secret\\Temp\\x.chk"), "keep");
  EXPECT_EQ(Content(outside + "\\old.chk"), "keep");
  ExpectOutsideIntact();
}

}  // namespace
}  // namespace veltrano::fs
