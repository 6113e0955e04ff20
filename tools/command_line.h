// What the command-line tools do differently on each target to read their
// arguments, print to the console and name files. One source file per target.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::cli {

// The command-line arguments after the program name, in UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// Makes standard output and standard error carry UTF-8 bytes exactly as
// written to a file or a pipe; on Windows a console shows the characters
// (written with WriteConsoleW, its code page left as it is). Text goes
// through std::cout and std::cerr, not stdio.
void PrepareConsole();

// The file a UTF-8 name given on the command line names, for the standard
// streams: on Windows a narrow name would go through the ANSI code page.
std::filesystem::path PathFromUtf8(std::string_view name);

}  // namespace veltrano::cli
