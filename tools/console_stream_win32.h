// Text for a Windows console. A console shows UTF-16 characters; bytes
// written to it are read in the console's code page (936 in a Chinese cmd.exe),
// so UTF-8 shows as junk there. The tools' output goes through WriteConsoleW
// when a standard stream is a console, and stays UTF-8 bytes otherwise.
// Windows builds only.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace veltrano::cli {

// Writes UTF-8 text to a console as UTF-16 with WriteConsoleW. A character
// cut between two writes is held until its last byte comes; a byte that is
// no part of valid UTF-8 shows as U+FFFD. Output is written on flush and
// when the buffer fills.
class ConsoleStreamBuf : public std::streambuf {
 public:
  explicit ConsoleStreamBuf(void* console);
  ~ConsoleStreamBuf() override;

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;

 private:
  bool WriteOut();

  void* console_;
  char buffer_[4096];
  std::string pending_;  // bytes of a character not yet complete
};

// True when `handle` is a console's screen buffer (GetConsoleMode accepts it).
bool IsConsole(void* handle);

// Sends `stream` to the console `handle` through a ConsoleStreamBuf when the
// handle is a console, and returns whether it did; a file or a pipe keeps
// the stream's own buffer. The buffer lives until the process ends.
bool RouteToConsole(std::ostream& stream, void* handle);

}  // namespace veltrano::cli
