// Runs a shell command for the tests that drive the programs from outside.
#pragma once

#include <string>

namespace veltrano::testing {

struct CommandResult {
  int exitCode = -1;  // -1 when the command could not run or was killed
  std::string out;    // what it wrote to its standard output
};

// Runs `command` with /bin/sh and collects its standard output; redirect
// its standard error in the command ("2>&1") to collect that too.
CommandResult RunCommand(const std::string& command);

}  // namespace veltrano::testing
