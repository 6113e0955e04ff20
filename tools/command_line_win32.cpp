#include <fcntl.h>
#include <io.h>
#include "platform/fs/win32_windows.h"
// after <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>

#include "platform/text/wide_text_win32.h"
#include "tools/command_line.h"
#include "tools/console_stream_win32.h"

namespace veltrano::cli {

std::vector<std::string> Arguments(int argc, char** argv) {
  // argv is in the ANSI code page and loses what it cannot hold: read the
  // UTF-16 command line instead.
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(text::WideToUtf8(wide[i]));
  ::LocalFree(wide);
  return args;
}

void PrepareConsole() {
  // A pipe or file gets the UTF-8 bytes unchanged, with "\n" line ends as on
  // Linux (no text-mode "\r\n"). A console gets the characters themselves,
  // whatever its code page, and its code page stays the user's.
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  RouteToConsole(std::cout, ::GetStdHandle(STD_OUTPUT_HANDLE));
  RouteToConsole(std::cerr, ::GetStdHandle(STD_ERROR_HANDLE));
}

std::filesystem::path PathFromUtf8(std::string_view name) {
  // Arguments came from UTF-16 and are well formed; anything else opens nothing.
  const auto wide = text::Utf8ToWide(name);
  return wide ? std::filesystem::path(*wide) : std::filesystem::path();
}

}  // namespace veltrano::cli
