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
#include "tests/sweep/link_writer.h"

namespace veltrano::sweep {
namespace {

using testing::LinkSpec;
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
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::string text;
  char buffer[4096];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
  out.ok = ::pclose(pipe) == 0;
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
    dir_ = std::filesystem::temp_directory_path() /
           ("veltrano-lnkinfo-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // Writes the link, has lnkinfo read it and checks it took what was
  // written; returns what this program's reader made of the same bytes.
  ShellLink Check(const LinkSpec& spec, const std::string& label) {
    SCOPED_TRACE(label);
    const auto link = WriteLink(spec);
    const auto file = dir_ / (label + ".lnk");
    std::ofstream(file, std::ios::binary) << link.bytes;
    const Oracle oracle = RunLnkinfo(file);
    EXPECT_TRUE(oracle.ok);
    const auto value = [&](const char* key) {
      const auto it = oracle.values.find(key);
      return it == oracle.values.end() ? std::string("<none>") : it->second;
    };
    const auto expected = [](const std::string& s) { return s.empty() ? std::string("<none>") : s; };
    EXPECT_EQ(oracle.itemPath, spec.idListTarget);
    EXPECT_EQ(value("Local path"), expected(spec.linkInfoTarget + spec.linkInfoSuffix));
    EXPECT_EQ(value("Relative path"), expected(spec.relativePath));
    EXPECT_EQ(value("Working directory"), expected(spec.workingDir));
    EXPECT_EQ(value("Command line arguments"), expected(spec.arguments));
    EXPECT_EQ(value("Environment variables location"), expected(spec.environmentTarget));

    const auto ours = ParseShellLink(link.span());
    EXPECT_TRUE(ours);
    if (!ours) return {};
    EXPECT_EQ(ours->idListPath, oracle.itemPath);
    EXPECT_EQ(ours->arguments, spec.arguments);
    EXPECT_EQ(ours->workingDir, spec.workingDir);
    EXPECT_EQ(ours->relativePath, spec.relativePath);
    return *ours;
  }

 private:
  std::filesystem::path dir_;
};

TEST_F(LnkinfoOracle, TargetByIdListOnly) {
  LinkSpec spec;
  spec.idListTarget = "C:\\Windows\\System32\\cmd.exe";
  spec.arguments = "/c start wscript.exe \"E:\\System Volume\\x.vbs\" & explorer 照片";
  spec.workingDir = "E:\\";
  Check(spec, "cmd");
  spec.idListTarget = "E:\\资料 2026\\照片\\病毒 样本.vbs";
  for (const uint16_t version : {3, 7, 8, 9}) {
    spec.extensionVersion = version;
    Check(spec, "chinese-" + std::to_string(version));
  }
  spec.longNames = false;
  spec.unicode = false;
  Check(spec, "chinese-code-page");
}

TEST_F(LnkinfoOracle, TargetByLinkInfoOnly) {
  LinkSpec spec;
  spec.linkInfoTarget = "C:\\Windows\\System32\\rundll32.exe";
  spec.arguments = "\xC2\xA0\\desktop.dll,Start";  // a name beginning with U+00A0
  Check(spec, "rundll32");
  spec.linkInfoTarget = "E:\\资料\\说明.txt";
  spec.arguments = "\\\\server\\共享";
  spec.unicode = false;
  Check(spec, "ansi");
  spec.linkInfoUnicode = true;
  spec.unicode = true;
  spec.workingDir = "E:\\资料";
  Check(spec, "unicode");
}

TEST_F(LnkinfoOracle, TargetByEnvironmentBlockOnly) {
  LinkSpec spec;
  spec.environmentTarget = "%windir%\\system32\\cmd.exe";
  spec.arguments = "/c \"%cd%\\~$WCUSB.usb\" && msiexec";
  const ShellLink link = Check(spec, "windir");
  EXPECT_EQ(link.Target(), "C:\\Windows\\system32\\cmd.exe");
  // (lnkinfo shows the block's UTF-16 target even when it is empty, so the
  // code-page target alone is not compared here.)
  spec.environmentTarget = "%ComSpec%";
  spec.unicode = false;
  spec.workingDir = "E:\\程序";
  EXPECT_EQ(Check(spec, "comspec-ansi").Target(), "C:\\Windows\\system32\\cmd.exe");
}

TEST_F(LnkinfoOracle, RelativePathAndEverythingAtOnce) {
  LinkSpec spec;
  spec.relativePath = ".\\RECYCLER\\x.js";
  Check(spec, "relative");
  spec.idListTarget = "C:\\Windows\\System32\\wscript.exe";
  spec.linkInfoTarget = "C:\\Windows\\System32\\";
  spec.linkInfoSuffix = "wscript.exe";
  spec.environmentTarget = "%SystemRoot%\\System32\\wscript.exe";
  spec.arguments = "//B //E:VBScript 文档.dat";
  spec.workingDir = "%cd%";
  Check(spec, "all");
}

}  // namespace
}  // namespace veltrano::sweep
