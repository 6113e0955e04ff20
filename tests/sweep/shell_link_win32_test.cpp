// Links saved by the shell itself (IShellLinkW + IPersistFile::Save), read
// back with the shell-link reader: another writer than the tests' own.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/text/text.h"
#include "platform/text/wide_text_win32.h"
#include "sweep/shell_link.h"
#include "tests/testing/win32_fixture.h"

namespace veltrano::sweep {
namespace {

using fs::testing::Content;
using fs::testing::DriveFolder;
using fs::testing::MakeFile;

std::wstring Wide(const std::string& utf8) {
  return text::Utf8ToWide(utf8).value_or(L"");
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return s;
}

// The path as a link's one-byte names hold it: the shell writes them in the
// system's ANSI code page (names it cannot hold there get '?'), and the
// reader takes them for code page 936.
std::string ThroughAnsiCodePage(const std::string& path) {
  const std::wstring wide = Wide(path);
  const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                      0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n,
                        nullptr, nullptr);
  return text::GbkToUtf8(ansi);
}

class ShellSavedLink : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  static void TearDownTestSuite() { ::CoUninitialize(); }

  // Saves a link at `file` through the shell and reads it back.
  std::optional<ShellLink> SaveAndRead(const std::string& file, const std::string& target,
                                       const std::string& arguments, const std::string& workingDir) {
    IShellLinkW* link = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link));
    EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    if (FAILED(hr)) return std::nullopt;
    EXPECT_TRUE(SUCCEEDED(link->SetPath(Wide(target).c_str())));
    if (!arguments.empty()) {
      EXPECT_TRUE(SUCCEEDED(link->SetArguments(Wide(arguments).c_str())));
    }
    if (!workingDir.empty()) {
      EXPECT_TRUE(SUCCEEDED(link->SetWorkingDirectory(Wide(workingDir).c_str())));
    }
    IPersistFile* persist = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    EXPECT_TRUE(SUCCEEDED(hr));
    if (SUCCEEDED(hr)) {
      EXPECT_TRUE(SUCCEEDED(persist->Save(Wide(file).c_str(), TRUE))) << file;
      persist->Release();
    }
    link->Release();
    const std::string bytes = Content(file);
    EXPECT_NE(bytes, "<missing>") << file;
    return ParseShellLink({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  }

  DriveFolder dir_{'F'};
};

TEST_F(ShellSavedLink, CommandInterpreterStartingAScript) {
  const std::string cmd = "c:\\windows\\system32\\cmd.exe";
  const std::string arguments = "/c start wscript.exe \"" + dir_.path() + "\\x.vbs\" & explorer docs";
  const auto link = SaveAndRead(dir_ / "docs.lnk", cmd, arguments, dir_.path());
  ASSERT_TRUE(link);
  EXPECT_EQ(Lower(link->Target()), cmd);
  EXPECT_EQ(link->arguments, arguments);
  EXPECT_EQ(link->workingDir, dir_.path());
  // Whichever parts the shell wrote name the same file.
  for (const std::string* part : {&link->idListPath, &link->linkInfoPath}) {
    if (!part->empty()) {
      EXPECT_EQ(Lower(*part), cmd);
    }
  }
}

TEST_F(ShellSavedLink, DocumentAndFolder) {
  const std::string doc = dir_ / "docs\\readme.txt";
  MakeFile(doc, "hello");
  auto link = SaveAndRead(dir_ / "readme.lnk", doc, "", "");
  ASSERT_TRUE(link);
  EXPECT_EQ(Lower(link->Target()), Lower(doc));
  EXPECT_EQ(link->arguments, "");
  EXPECT_EQ(link->workingDir, "");
  link = SaveAndRead(dir_ / "docs.lnk", dir_ / "docs", "", dir_ / "docs");
  ASSERT_TRUE(link);
  EXPECT_EQ(Lower(link->Target()), Lower(dir_ / "docs"));
  EXPECT_EQ(link->workingDir, dir_ / "docs");
}

TEST_F(ShellSavedLink, ChineseNames) {
  const std::string folder = dir_ / "资料";
  const std::string doc = folder + "\\说明.txt";
  MakeFile(doc, "hello");
  const std::string arguments = "/c \"" + folder + "\\病毒.vbs\" & start 资料";
  const auto link = SaveAndRead(dir_ / "照片.lnk", "C:\\windows\\system32\\cmd.exe", arguments, folder);
  ASSERT_TRUE(link);
  EXPECT_EQ(Lower(link->Target()), "c:\\windows\\system32\\cmd.exe");
  EXPECT_EQ(link->arguments, arguments);
  EXPECT_EQ(link->workingDir, folder);
  const auto toDoc = SaveAndRead(dir_ / "说明.lnk", doc, "", "");
  ASSERT_TRUE(toDoc);
  // The long name when the shell wrote one; Wine writes the names only in
  // the ANSI code page.
  const std::string target = Lower(toDoc->Target());
  EXPECT_TRUE(target == Lower(doc) || target == Lower(ThroughAnsiCodePage(doc))) << target;
}

}  // namespace
}  // namespace veltrano::sweep
