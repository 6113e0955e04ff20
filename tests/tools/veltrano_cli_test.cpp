// veltrano-cli as a user runs it: the worked example of a removable-drive
// sweep on real folders, message-box answers, several commands in a row, and
// clear errors for bad arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/sweep/host_dirs.h"

namespace veltrano::sweep::testing {
namespace {

struct Result {
  int exitCode = -1;
  std::string out;  // stdout and stderr together
};

Result RunCli(const std::string& args) {
  Result r;
  const std::string command = std::string("'") + VELTRANO_CLI + "' " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int status = pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(VeltranoCli, WorkedExampleOnRealFolders) {
  HostDir tmp;
  const std::string usb = tmp / "usb";
  MakeFolder(tmp / "c");
  Write(usb + "/autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  Write(usb + "/x.exe");
  MakeFolder(usb + "/docs");
  SetDosBits(usb + "/docs", 2);
  Write(usb + "/docs.exe");

  const Result r =
      RunCli("--drive 'E:removable:" + usb + "' --drive 'C:fixed:" + tmp / "c" + "' menuqim");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "scan log (10 lines):\n"
            "\n"
            "可移动磁盘E:\\\n"
            "    发现病毒：x.exe 已清除！\n"
            "    发现病毒文件：autorun.inf 已清除！\n"
            "    发现伪文件夹病毒：docs.exe 已清除！\n"
            "    docs 文件夹恢复成功!\n"
            "\n"
            "\n"
            "\n"
            "    共清除病毒数： 3个！\n"
            "selected line: 7\n"
            "status strip: \n");
  EXPECT_EQ(Names(usb), std::set<std::string>{"docs"});
  EXPECT_EQ(DosBits(usb + "/docs"), 0u);
}

TEST(VeltranoCli, AnswersBoxesAndRunsCommandsInOrder) {
  HostDir tmp;
  const std::string c = tmp / "c";
  Write(c + "/Thumbs.db");
  const std::string drive = "--drive 'C:fixed:" + c + "' ";

  Result r = RunCli(drive + "--answer no menuclean");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("message box: 删除 | 是否删除所有文件? -> no\n"), std::string::npos)
      << r.out;
  EXPECT_TRUE(Exists(c + "/Thumbs.db"));

  // The sweep clears the log that the cleanup left; the link prints its page.
  r = RunCli(drive + "--answer yes menuclean menukhdd mhelp");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("message box: 删除 | 是否删除所有文件? -> yes\n"), std::string::npos);
  EXPECT_NE(r.out.find("message box: Veltrano | 磁盘清理完毕！ -> ok\n"), std::string::npos);
  EXPECT_NE(r.out.find("open url: "), std::string::npos);
  EXPECT_NE(r.out.find("scan log (6 lines):\n\n本地磁盘C:\\\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("status strip: 查找到无用（垃圾）文件个数: 1\n"), std::string::npos);
  EXPECT_FALSE(Exists(c + "/Thumbs.db"));
}

TEST(VeltranoCli, BadArgumentsAreRefusedClearly) {
  HostDir tmp;
  MakeFolder(tmp / "c");
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"", "no command given"},
      {"menuqim --drive", "--drive needs a value"},
      {"--answer maybe menuqim", "--answer takes yes or no, not 'maybe'"},
      {"--frobnicate menuqim", "unknown option '--frobnicate'"},
      {"scan", "unknown command 'scan'"},
      {"--drive E:usb:/tmp menuqim", "unknown drive type 'usb'"},
      {"--drive E:removable:" + tmp / "missing" + " menuqim", "is not a folder"},
      {"--drive E:fixed:" + tmp / "c" + " --drive e:fixed:" + tmp / "c" + " menuqim",
       "drive E: is given twice"},
      {"--mounts --drive E:fixed:" + tmp / "c" + " menuqim",
       "--mounts and --drive exclude each other"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = RunCli(c.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("veltrano-cli: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("usage: veltrano-cli"), std::string::npos);
    EXPECT_EQ(r.out.find("scan log ("), std::string::npos);  // nothing ran
  }
  const Result help = RunCli("--help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.out.find("usage: veltrano-cli"), 0u);
}

}  // namespace
}  // namespace veltrano::sweep::testing
