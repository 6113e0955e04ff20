// The tools' text on a console and on a pipe: a console of the test's own
// is read back cell by cell.
#include "platform/fs/win32_windows.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "tools/console_stream_win32.h"

namespace {

// The code page of a Chinese cmd.exe; a console that cannot take it (Wine's
// headless console) gets the US one, in which UTF-8 bytes show as junk too.
constexpr UINT kCodePages[] = {936, 437};

// The folder of this test program, where the tools are built too, with a
// trailing separator.
std::wstring BuildFolder() {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// Runs a program of the build folder with `output` as its standard output
// and error; its exit code.
DWORD RunTool(const std::wstring& commandLine, HANDLE output) {
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = output;
  start.hStdError = output;
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + BuildFolder() + commandLine;
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                        &process)) {
    return ~DWORD{0};
  }
  ::WaitForSingleObject(process.hProcess, 60000);
  DWORD code = ~DWORD{0};
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

// A fresh screen buffer of this process's console, made when there is none;
// inheritable, so a child can be given it as its standard output.
class ConsoleOutput : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Started from a pipe the process has no console of its own; a new one
    // needs a display under Wine (tests/ui/win32/wine_display.sh).
    if (::GetConsoleOutputCP() != 0) return;
    ::FreeConsole();
    ::AllocConsole();
  }

  static HANDLE NewScreen() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                       CONSOLE_TEXTMODE_BUFFER, nullptr);
  }

  void SetUp() override {
    screen_ = NewScreen();
    ASSERT_NE(screen_, INVALID_HANDLE_VALUE) << "no console: error " << ::GetLastError();
    savedCodePage_ = ::GetConsoleOutputCP();
    for (UINT page : kCodePages) {
      if (::SetConsoleOutputCP(page)) {
        codePage_ = page;
        break;
      }
    }
    ASSERT_NE(codePage_, 0u) << "no code page taken: error " << ::GetLastError();
    std::printf("console code page %u\n", codePage_);
  }
  void TearDown() override {
    if (savedCodePage_ != 0) ::SetConsoleOutputCP(savedCodePage_);
    if (screen_ != INVALID_HANDLE_VALUE) ::CloseHandle(screen_);
  }

  // Every cell of the screen buffer, row after row.
  std::wstring Cells() const {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(screen_, &info)) return {};
    const DWORD count = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    std::wstring cells(count, L' ');
    DWORD read = 0;
    ::ReadConsoleOutputCharacterW(screen_, cells.data(), count, COORD{0, 0}, &read);
    cells.resize(read);
    return cells;
  }

  HANDLE screen_ = INVALID_HANDLE_VALUE;
  UINT savedCodePage_ = 0;
  UINT codePage_ = 0;
};

TEST_F(ConsoleOutput, CharactersCutBetweenWritesAndStrayBytesReachTheCells) {
  ASSERT_TRUE(veltrano::cli::IsConsole(screen_));
  veltrano::cli::ConsoleStreamBuf buffer(screen_);
  std::ostream out(&buffer);
  const std::string text = "U盘杀毒 \xff|";
  // Byte by byte, flushed after each: no character may be cut in two.
  for (char c : text) out.put(c).flush();
  out << "已清除！\n" << std::flush;
  const std::wstring cells = Cells();
  EXPECT_NE(cells.find(L"U盘杀毒 \uFFFD|"), std::wstring::npos);
  EXPECT_NE(cells.find(L"已清除！"), std::wstring::npos);
}

TEST_F(ConsoleOutput, ToolsWriteCharactersAndLeaveTheCodePage) {
  EXPECT_EQ(RunTool(L"veltrano-cli.exe\" --help", screen_), 0u);
  const std::wstring cells = Cells();
  EXPECT_NE(cells.find(L"U盘杀毒: sweep the removable drives"), std::wstring::npos);
  EXPECT_NE(cells.find(L"磁盘清理: find junk files"), std::wstring::npos);
  // Standard error too, with a Chinese name in the message.
  EXPECT_EQ(RunTool(L"anigif-tool.exe\" info 病毒样本.gif", screen_), 1u);
  EXPECT_NE(Cells().find(L"cannot load 病毒样本.gif"), std::wstring::npos);
  // The user's console keeps its code page.
  EXPECT_EQ(::GetConsoleOutputCP(), codePage_);
}

// What a program writes to a pipe, and its exit code.
std::string RunToPipe(const std::wstring& commandLine, DWORD& code) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  // The outputs here fit in the pipe's buffer, so the child never waits on it.
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 20)) return "no pipe";
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  code = RunTool(commandLine, writeEnd);
  ::CloseHandle(writeEnd);
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    bytes.append(chunk, got);
  }
  ::CloseHandle(readEnd);
  return bytes;
}

TEST(ToolOutputOnAPipe, Utf8BytesUnchangedAndTheHelpNamesWindowsFolders) {
  DWORD code = 0;
  const std::string help = RunToPipe(L"veltrano-cli.exe\" --help", code);
  EXPECT_EQ(code, 0u);
  EXPECT_NE(help.find("  menuqim     U\xE7\x9B\x98\xE6\x9D\x80\xE6\xAF\x92: sweep"),
            std::string::npos);
  EXPECT_EQ(help.find('\r'), std::string::npos);
  // The examples are Windows paths; the Linux-only option is not offered.
  EXPECT_NE(help.find("--drive E:removable:C:\\test\\usb\n"), std::string::npos) << help;
  EXPECT_EQ(help.find("/tmp"), std::string::npos) << help;
  EXPECT_EQ(help.find("--mounts"), std::string::npos) << help;
  // A wrong --drive prints its error and the same help on standard error.
  const std::string usage = RunToPipe(L"veltrano-cli.exe\" --drive E:removable menuqim", code);
  EXPECT_EQ(code, 2u);
  EXPECT_NE(usage.find("--drive E:removable:C:\\test\\usb\n"), std::string::npos) << usage;
  // The error itself gives a Windows example too, nothing of Linux.
  EXPECT_NE(usage.find("(for example E:removable:C:\\test\\usb)"), std::string::npos) << usage;
  EXPECT_EQ(usage.find("/tmp"), std::string::npos) << usage;
}

}  // namespace
