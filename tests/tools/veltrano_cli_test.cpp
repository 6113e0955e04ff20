// veltrano-cli as a user runs it: the worked example of a removable-drive
// sweep on real folders, message-box answers, several commands in a row, and
// clear errors for bad arguments, the exit status, and names that hold
// control characters.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/drive_table.h"
#include "platform/fs/linux_file_system.h"
#include "tests/sweep/host_dirs.h"
#include "tests/testing/run_command.h"

namespace veltrano::sweep::testing {
namespace {

using Result = veltrano::testing::CommandResult;

// Runs veltrano-cli through the shell; `redirect` says where its output goes.
Result RunCli(const std::string& args, const char* redirect = " 2>&1") {
  return veltrano::testing::RunCommand(std::string("'") + VELTRANO_CLI + "' " + args + redirect);
}

// Makes a file impossible to delete (immutable) for as long as it is in
// scope. Only root can; an unprivileged user's own folders cannot be locked
// against the program, which makes a folder writable again before it deletes.
class Undeletable {
 public:
  explicit Undeletable(std::string path) : path_(std::move(path)) { SetImmutable(true); }
  ~Undeletable() { SetImmutable(false); }
  Undeletable(const Undeletable&) = delete;
  Undeletable& operator=(const Undeletable&) = delete;

 private:
  void SetImmutable(bool on) {
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    close(fd);
  }

  std::string path_;
};

// The lines of a drive table, each split at its tabs.
std::vector<std::vector<std::string>> TableRows(const std::string& out) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    rows.push_back(std::move(fields));
  }
  return rows;
}

// "drives" prints the table of the drives given and touches none of them.
TEST(VeltranoCli, DrivesPrintsTheTableOfTheFoldersGiven) {
  TempFolder tmp;
  const std::string usb = tmp / "usb";
  const std::string odd = tmp / "a\tb\\c";  // printed with its tab escaped
  MakeFolder(odd);
  Write(usb + "/autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  Write(usb + "/x.exe");
  Write(usb + "/a.pif");
  const Result r = RunCli("--drive 'E:removable:" + usb + "' --drive 'D:fixed:" + odd + "' drives");
  EXPECT_EQ(r.exitCode, 0);
  const auto rows = TableRows(r.out);
  ASSERT_EQ(rows.size(), 3u) << r.out;
  EXPECT_EQ(rows[0],
            (std::vector<std::string>{"drive", "type", "folder", "file system", "attributes"}));
  ASSERT_EQ(rows[1].size(), 5u) << r.out;
  ASSERT_EQ(rows[2].size(), 5u) << r.out;
  EXPECT_EQ(rows[1][0], "D:");
  EXPECT_EQ(rows[1][1], "fixed");
  EXPECT_EQ(rows[1][2], tmp / "a\\tb\\c");
  EXPECT_EQ(rows[2][0], "E:");
  EXPECT_EQ(rows[2][1], "removable");
  EXPECT_EQ(rows[2][2], usb);
  // The file system the temporary folder is on, and a store for it.
  fs::LinuxFileSystem direct(std::vector<fs::DriveSpec>{{'E', fs::kDriveRemovable, usb}});
  const auto info = direct.Drives().at(0);
  EXPECT_FALSE(info.fsType.empty());
  EXPECT_EQ(rows[2][3], info.fsType);
  EXPECT_NE(std::string("fat-attributes system.ntfs_attrib user.cifs.dosattrib user.DOSATTRIB")
                .find(rows[2][4]),
            std::string::npos);
  EXPECT_EQ(rows[1][3], rows[2][3]);
  EXPECT_EQ(r.out.find("scan log ("), std::string::npos);
  EXPECT_EQ(Names(usb), (std::set<std::string>{"autorun.inf", "x.exe", "a.pif"}));
}

// Without --drive the drives are the host's mounts, exactly as the window's
// file system maps them.
TEST(VeltranoCli, WithoutDrivesItUsesTheMountsTheWindowSees) {
  const Result r = RunCli("drives");
  EXPECT_EQ(r.exitCode, 0);
  fs::LinuxFileSystem window;
  window.GetLogicalDrives();
  const auto drives = window.Drives();
  const auto rows = TableRows(r.out);
  ASSERT_EQ(rows.size(), drives.size() + 1) << r.out;
  ASSERT_FALSE(drives.empty());
  for (size_t i = 0; i < drives.size(); ++i) {
    SCOPED_TRACE(drives[i].hostPath);
    ASSERT_EQ(rows[i + 1].size(), 5u) << r.out;
    EXPECT_EQ(rows[i + 1][0], std::string(1, drives[i].letter) + ":");
    EXPECT_EQ(rows[i + 1][1], fs::DriveTypeName(drives[i].type));
    EXPECT_EQ(rows[i + 1][2], drives[i].hostPath);
    EXPECT_EQ(rows[i + 1][3], drives[i].fsType.empty() ? "-" : drives[i].fsType);
  }
  EXPECT_EQ(rows[1][0], "C:");
  EXPECT_EQ(rows[1][2], "/");
  EXPECT_EQ(RunCli("--mounts drives").out, r.out);
}

TEST(VeltranoCli, WorkedExampleOnRealFolders) {
  TempFolder tmp;
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
  TempFolder tmp;
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

// Several commands: each one's log under its name, in the order run, and
// each as the window showed it when that command ended.
TEST(VeltranoCli, EveryCommandsLogIsPrintedUnderItsName) {
  TempFolder tmp;
  const std::string c = tmp / "c";
  const std::string usb = tmp / "usb";
  Write(c + "/Thumbs.db");
  Write(usb + "/a.pif");
  const Result r = RunCli("--drive 'C:fixed:" + c + "' --drive 'E:removable:" + usb +
                          "' --answer yes menuclean menuqim");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  const std::string cleanup =
      "command: menuclean\n"
      "message box: 删除 | 是否删除所有文件? -> yes\n"
      "message box: Veltrano | 磁盘清理完毕！ -> ok\n"
      "scan log (1 lines):\n"
      "删除 C:\\Thumbs.db\n"
      "selected line: 0\n"
      "status strip: 查找到无用（垃圾）文件个数: 1\n";
  EXPECT_EQ(r.out.find(cleanup), 0u) << r.out;
  const std::string sweep = r.out.substr(std::min(cleanup.size(), r.out.size()));
  EXPECT_EQ(sweep.find("command: menuqim\nscan log (7 lines):\n\n可移动磁盘E:\\\n"
                       "    发现可疑病毒文件：a.pif 已清除！\n"),
            0u)
      << sweep;
  EXPECT_EQ(sweep.find("command: ", 1), std::string::npos) << sweep;
  EXPECT_FALSE(Exists(c + "/Thumbs.db"));
  EXPECT_FALSE(Exists(usb + "/a.pif"));
}

// Runs veltrano-cli on a terminal of its own (a pseudo-terminal): waits for
// its "[y/N]" question, types `reply`, and returns all it wrote.
Result RunOnTerminal(const std::vector<std::string>& args, const std::string& reply) {
  Result r;
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return r;
  const std::string slaveName = ptsname(master);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    const int slave = open(slaveName.c_str(), O_RDWR);
    if (slave < 0) _exit(127);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    std::vector<char*> argv{const_cast<char*>(VELTRANO_CLI)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(VELTRANO_CLI, argv.data());
    _exit(127);
  }
  bool replied = false;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the program has ended
    r.out.append(buf, static_cast<size_t>(n));
    if (!replied && r.out.find("[y/N] ") != std::string::npos) {
      replied = write(master, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size());
    }
  }
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Without --answer the cleanup asks on the terminal, and No is the default.
TEST(VeltranoCli, WithoutAnswerTheCleanupAsksOnTheTerminal) {
  TempFolder tmp;
  const std::string c = tmp / "c";
  Write(c + "/Thumbs.db");
  const std::vector<std::string> args{"--drive", "C:fixed:" + c, "menuclean"};
  const char* const question = "删除: 是否删除所有文件? [y/N] ";

  for (const char* reply : {"\n", "n\n", "yess\n"}) {
    SCOPED_TRACE(reply);
    const Result r = RunOnTerminal(args, reply);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find(question), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("message box: 删除 | 是否删除所有文件? -> no"), std::string::npos) << r.out;
    EXPECT_TRUE(Exists(c + "/Thumbs.db"));
  }
  const Result r = RunOnTerminal(args, " Yes\n");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_NE(r.out.find(question), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("message box: 删除 | 是否删除所有文件? -> yes"), std::string::npos) << r.out;
  EXPECT_FALSE(Exists(c + "/Thumbs.db"));
}

// With no terminal to ask on and no --answer, nothing is deleted, and the
// user is told why on standard error.
TEST(VeltranoCli, WithoutAnswerOrTerminalTheCleanupDeletesNothing) {
  TempFolder tmp;
  const std::string c = tmp / "c";
  Write(c + "/Thumbs.db");
  Write(tmp / "y.txt", "y\n");  // a file says nothing: only a user at a terminal answers
  const std::string drive = "--drive 'C:fixed:" + c + "' ";
  for (const std::string& input : {std::string("</dev/null"), "<'" + tmp / "y.txt" + "'"}) {
    SCOPED_TRACE(input);
    const Result r = RunCli(drive + "menuclean " + input, " 2>/dev/null");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("message box: 删除 | 是否删除所有文件? -> no\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("no terminal"), std::string::npos) << r.out;  // not on stdout
    EXPECT_TRUE(Exists(c + "/Thumbs.db"));
  }
  const Result r = RunCli(drive + "menuclean </dev/null", " 3>&1 1>/dev/null 2>&3");
  EXPECT_EQ(r.out,
            "veltrano-cli: no terminal to ask \"删除 | 是否删除所有文件?\" on and no --answer: "
            "answered no\n");
}

TEST(VeltranoCli, BadArgumentsAreRefusedClearly) {
  TempFolder tmp;
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
      {"drives menuqim", "drives is given without other commands"},
      {"menuclean drives", "drives is given without other commands"},
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

TEST(VeltranoCli, ExitStatusTellsWhetherEveryRemovalWorked) {
  TempFolder tmp;
  const std::string c = tmp / "c";
  const std::string usb = tmp / "usb";
  Write(c + "/Thumbs.db");
  Write(c + "/keep/x.chk");
  Write(usb + "/autorun.inf", "[autorun]\r\nopen=x.exe\r\n");
  Write(usb + "/x.exe");
  const std::string drives = "--drive 'C:fixed:" + c + "' --drive 'E:removable:" + usb + "' ";

  // Nothing tried, nothing failed: a cleanup answered No.
  Result r = RunCli(drives + "--answer no menuclean");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  if (geteuid() != 0) GTEST_SKIP() << "only root can make a file undeletable here";

  {
    const Undeletable stuck(c + "/keep/x.chk");
    const Undeletable stuckToo(usb + "/autorun.inf");
    r = RunCli(drives + "--answer yes menuclean");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("\n删除失败 C:\\keep\\x.chk\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n删除 C:\\Thumbs.db\n"), std::string::npos) << r.out;

    r = RunCli(drives + "menuqim");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("    发现病毒：x.exe 已清除！\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    发现病毒文件：autorun.inf 清除失败！\n"), std::string::npos) << r.out;

    // A failure in an earlier command counts although a later one cleared
    // the log, and its log is printed under its name.
    r = RunCli(drives + "menuqim mhelp menukhdd");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    const size_t failure = r.out.find("    发现病毒文件：autorun.inf 清除失败！\n");
    EXPECT_LT(r.out.find("command: menuqim\n"), failure) << r.out;
    EXPECT_LT(failure, r.out.find("command: mhelp\n")) << r.out;
  }
  // Once the files can go, the same commands end with 0.
  r = RunCli(drives + "--answer yes menuclean menuqim");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_FALSE(Exists(usb + "/autorun.inf"));
  EXPECT_FALSE(Exists(c + "/keep/x.chk"));
}

TEST(VeltranoCli, ANameWithANewlineStaysOnItsLine) {
  TempFolder tmp;
  const std::string c = tmp / "c";
  Write(c + "/evil\n删除 fake.chk");
  Write(c + "/bell\x07\x1b[2J.err");
  const Result r = RunCli("--drive 'C:fixed:" + c + "' --answer no menuclean");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  // Two junk files, two lines, each with its control characters escaped.
  const std::string log = r.out.substr(r.out.find("scan log ("));
  EXPECT_EQ(log.find("scan log (2 lines):\n"), 0u) << log;
  EXPECT_NE(log.find("\nC:\\evil\\n删除 fake.chk\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\nC:\\bell\\x07\\x1b[2J.err\n"), std::string::npos) << log;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  size_t lines = 0;
  for (char ch : log) lines += ch == '\n';
  EXPECT_EQ(lines, 5u);  // the header, two paths, the selected line and the strip
}

TEST(VeltranoCli, ArgumentsInErrorsAreEscaped) {
  const Result r = RunCli("\"$(printf 'scan\\nstatus strip: forged')\"");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.out.find("unknown command 'scan\\nstatus strip: forged'"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("\nstatus strip: forged"), std::string::npos) << r.out;
}

TEST(AnigifTool, FileNamesInErrorsAreEscaped) {
  TempFolder tmp;
  const std::string name = tmp / "no\nsuch.gif";
  const std::string command =
      std::string("'") + ANIGIF_TOOL + "' info '" + name + "' 2>&1 >/dev/null";
  const Result r = veltrano::testing::RunCommand(command);
  const std::string& err = r.out;
  EXPECT_TRUE(r.exitCode == 1) << err;
  EXPECT_EQ(err, "anigif-tool: cannot load " + tmp.path() + "/no\\nsuch.gif\n");
}

}  // namespace
}  // namespace veltrano::sweep::testing
