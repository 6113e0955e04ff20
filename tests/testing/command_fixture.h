// The window model on the memory file system with a scripted host: what the
// cleanup and repair tests drive their commands through.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form_state.h"
#include "tests/testing/memory_file_system.h"
#include "platform/host/headless_window_host.h"

namespace veltrano::testing {

class CommandTest : public ::testing::Test {
 protected:
  std::vector<std::string> Log() const { return form.List1.Lines(); }

  fs::MemoryFileSystem fs;
  host::HeadlessWindowHost host;
  FormState form{fs, host};
};

}  // namespace veltrano::testing
