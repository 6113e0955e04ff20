#include "tools/command_line.h"

namespace veltrano::cli {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

void PrepareConsole() {}

std::filesystem::path PathFromUtf8(std::string_view name) {
  return std::filesystem::path(name);  // names are bytes, taken as they are
}

}  // namespace veltrano::cli
