// Real files for the tests of the file-system backends.
#pragma once

#include <string>

#include "tests/testing/temp_folder.h"

namespace veltrano::fs::testing {

using veltrano::testing::TempFolder;

// Writes a file (creating nothing else); fails the test on error.
void WriteHostFile(const std::string& path, const std::string& content);
// Reads a whole file; "" when missing.
std::string ReadHostFile(const std::string& path);
bool HostExists(const std::string& path);  // without following a link

}  // namespace veltrano::fs::testing
