#include "platform/fs/removal.h"

#include <gtest/gtest.h>

#include "tests/testing/memory_file_system.h"
#include "tests/platform/fs/forwarding_file_system.h"

namespace veltrano::fs {
namespace {

// A delete and a lookup that answer what the test says.
class ScriptedFs : public testing::ForwardingFileSystem {
 public:
  ScriptedFs(FileSystem& inner, bool deletes, PathState after)
      : ForwardingFileSystem(inner), deletes_(deletes), after_(after) {}
  bool DeleteFileForced(const PathArg&) override { return deletes_; }
  PathState ProbeEntry(const PathArg&) override { return after_; }

 private:
  bool deletes_;
  PathState after_;
};

TEST(RemoveFile, GoneOnlyWhenNoFileIsLeftAndTheDeleteWorkedOrNothingIsThere) {
  MemoryFileSystem mem;
  struct Case {
    bool deletes;
    PathState after;
    Removal expected;
  };
  const Case cases[] = {
      {true, PathState::kMissing, Removal::kRemoved},
      {true, PathState::kUnknown, Removal::kRemoved},
      {true, PathState::kFolder, Removal::kRemoved},  // a folder swapped in is no file
      {true, PathState::kFile, Removal::kStayed},     // the delete lied
      {false, PathState::kMissing, Removal::kAlreadyGone},
      {false, PathState::kUnknown, Removal::kStayed},
      {false, PathState::kFile, Removal::kStayed},
  };
  for (const Case& c : cases) {
    ScriptedFs scripted(mem, c.deletes, c.after);
    EXPECT_EQ(RemoveFile(scripted, "E:\\x.scr"), c.expected)
        << c.deletes << " " << static_cast<int>(c.after);
  }
}

TEST(RemoveFile, ClearsAttributesAndAsksTheEntryItself) {
  MemoryFileSystem mem;
  mem.AddDrive('E', kDriveRemovable);
  mem.AddFile("E:\\ro.scr", "", kAttrReadOnly | kAttrHidden | kAttrSystem);
  mem.AddFile("E:\\busy.scr");
  mem.SetInUse("E:\\busy.scr", true);
  EXPECT_EQ(RemoveFile(mem, "E:\\ro.scr"), Removal::kRemoved);
  EXPECT_FALSE(mem.Exists("E:\\ro.scr"));
  EXPECT_EQ(RemoveFile(mem, "E:\\busy.scr"), Removal::kStayed);
  EXPECT_EQ(RemoveFile(mem, "E:\\never.scr"), Removal::kAlreadyGone);
}

}  // namespace
}  // namespace veltrano::fs
