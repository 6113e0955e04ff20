// The self-install offer that Form_Load runs at start-up.
#pragma once

#include <string>

namespace veltrano {

// Where the running program is and where an install goes. Taken from the
// process and its environment by the real program; set by tests.
struct InstallContext {
  std::string programPath;  // absolute path of the running executable
  std::string homeDir;      // the user's home folder
  std::string desktopDir;   // the user's desktop folder
};

}  // namespace veltrano
