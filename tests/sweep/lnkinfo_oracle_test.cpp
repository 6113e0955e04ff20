// liblnk's lnkinfo, an independent reader, reads back the links the test
// writer makes: the writer writes real links, and what this program's reader
// takes from them is what another reader takes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "sweep/shell_link.h"
#include "tests/testing/link_writer.h"
#include "tests/testing/run_command.h"
#include "tests/testing/temp_folder.h"

namespace veltrano::sweep {
namespace {

using testing::LinkShape;
using testing::WriteLink;

constexpr const char* kLnkinfo = "/usr/bin/lnkinfo";

// What lnkinfo printed: the "name : value" lines of its summary, and the
// path its shell items make (the volume, then each item's long name, or its
// name when it has none).
struct Oracle {
  std::map<std::string, std::string> values;
  std::string itemPath;
  bool ok = false;
};

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  const size_t b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

Oracle RunLnkinfo(const std::filesystem::path& file) {
  Oracle out;
  const std::string command = std::string(kLnkinfo) + " -c windows-936 '" + file.string() + "' 2>&1";
  const veltrano::testing::CommandResult run = veltrano::testing::RunCommand(command);
  const std::string& text = run.out;
  out.ok = run.exitCode == 0;
  std::string pendingName;  // an item's name until its long name is known
  const auto flushItem = [&] {
    if (pendingName.empty()) return;
    if (!out.itemPath.empty() && out.itemPath.back() != '\\') out.itemPath += '\\';
    out.itemPath += pendingName;
    pendingName.clear();
  };
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const size_t colon = line.find(':');
    if (Trim(line).rfind("Shell item:", 0) == 0) flushItem();
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    const std::string value = line.size() > colon + 2 ? line.substr(colon + 2) : "";
    if (key == "Volume name") out.itemPath = value;
    if (key == "Name") pendingName = value;
    if (key == "Long name") pendingName = value;
    out.values.emplace(key, value);
  }
  flushItem();
  return out;
}

class LnkinfoOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kLnkinfo, X_OK) != 0) GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
  }

  // Writes the link, has lnkinfo read it and checks it took what was
  // written; returns what this program's reader made of the same bytes.
  ShellLink Check(const LinkShape& shape, const std::string& label) {
    SCOPED_TRACE(label);
    const auto link = WriteLink(shape);
    const auto file = dir_ / (label + ".lnk");
    std::ofstream(file, std::ios::binary) << link.bytes;
    const Oracle oracle = RunLnkinfo(file);
    EXPECT_TRUE(oracle.ok);
    const auto value = [&](const char* key) {
      const auto it = oracle.values.find(key);
      return it == oracle.values.end() ? std::string("<none>") : it->second;
    };
    const auto expected = [](const std::string& s) { return s.empty() ? std::string("<none>") : s; };
    EXPECT_EQ(oracle.itemPath, shape.idListTarget);
    EXPECT_EQ(value("Local path"), expected(shape.linkInfoTarget + shape.linkInfoSuffix));
    EXPECT_EQ(value("Relative path"), expected(shape.relativePath));
    EXPECT_EQ(value("Working directory"), expected(shape.workingDir));
    EXPECT_EQ(value("Command line arguments"), expected(shape.arguments));
    EXPECT_EQ(value("Environment variables location"), expected(shape.environmentTarget));

    const auto ours = ParseShellLink(link.span());
    EXPECT_TRUE(ours);
    if (!ours) return {};
    EXPECT_EQ(ours->idListPath, oracle.itemPath);
    EXPECT_EQ(ours->arguments, shape.arguments);
    EXPECT_EQ(ours->workingDir, shape.workingDir);
    EXPECT_EQ(ours->relativePath, shape.relativePath);
    return *ours;
  }

 private:
  veltrano::testing::TempFolder folder_;
  std::filesystem::path dir_{folder_.path()};
};

TEST_F(LnkinfoOracle, TargetByIdListOnly) {
  LinkShape shape;
  shape.idListTarget = "C:\\Windows\\System32\\cmd.exe";
  shape.arguments = "/c start wscript.exe \"E:\\System Volume\\x.vbs\" & explorer 照片";
  shape.workingDir = "E:\\";
  Check(shape, "cmd");
  shape.idListTarget = "E:\\资料 2026\\照片\\病毒 样本.vbs";
  for (const uint16_t version : {3, 7, 8, 9}) {
    shape.extensionVersion = version;
    Check(shape, "chinese-" + std::to_string(version));
  }
  shape.longNames = false;
  shape.unicode = false;
  Check(shape, "chinese-code-page");
}

TEST_F(LnkinfoOracle, TargetByLinkInfoOnly) {
  LinkShape shape;
  shape.linkInfoTarget = "C:\\Windows\\System32\\rundll32.exe";
  shape.arguments = "\xC2\xA0\\desktop.dll,Start";  // a name beginning with U+00A0
  Check(shape, "rundll32");
  shape.linkInfoTarget = "E:\\资料\\说明.txt";
  shape.arguments = "\\\\server\\共享";
  shape.unicode = false;
  Check(shape, "ansi");
  shape.linkInfoUnicode = true;
  shape.unicode = true;
  shape.workingDir = "E:\\资料";
  Check(shape, "unicode");
}

TEST_F(LnkinfoOracle, TargetByEnvironmentBlockOnly) {
  LinkShape shape;
  shape.environmentTarget = "%windir%\\system32\\cmd.exe";
  shape.arguments = "/c \"%cd%\\~$WCUSB.usb\" && msiexec";
  const ShellLink link = Check(shape, "windir");
  EXPECT_EQ(link.Target(), "C:\\Windows\\system32\\cmd.exe");
  // (lnkinfo shows the block's UTF-16 target even when it is empty, so the
  // code-page target alone is not compared here.)
  shape.environmentTarget = "%ComSpec%";
  shape.unicode = false;
  shape.workingDir = "E:\\程序";
  EXPECT_EQ(Check(shape, "comspec-ansi").Target(), "C:\\Windows\\system32\\cmd.exe");
}

TEST_F(LnkinfoOracle, RelativePathAndEverythingAtOnce) {
  LinkShape shape;
  shape.relativePath = ".\\RECYCLER\\x.js";
  Check(shape, "relative");
  shape.idListTarget = "C:\\Windows\\System32\\wscript.exe";
  shape.linkInfoTarget = "C:\\Windows\\System32\\";
  shape.linkInfoSuffix = "wscript.exe";
  shape.environmentTarget = "%SystemRoot%\\System32\\wscript.exe";
  shape.arguments = "//B //E:VBScript 文档.dat";
  shape.workingDir = "%cd%";
  Check(shape, "all");
}

}  // namespace
}  // namespace veltrano::sweep
