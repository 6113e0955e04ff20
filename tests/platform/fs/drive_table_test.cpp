#include "platform/fs/drive_table.h"

#include <gtest/gtest.h>

#include "platform/fs/file_system.h"

namespace veltrano::fs {
namespace {

TEST(DriveTableTest, ParsesLetterTypeAndPath) {
  std::string error;
  auto desc = ParseDriveSpec("e:Removable:/tmp/usb stick:2", &error);
  ASSERT_TRUE(desc) << error;
  EXPECT_EQ(desc->letter, 'E');
  EXPECT_EQ(desc->type, kDriveRemovable);
  EXPECT_EQ(desc->hostPath, "/tmp/usb stick:2");  // colons after the type belong to the path
  EXPECT_EQ(ParseDriveSpec("C:fixed:/")->type, kDriveFixed);
  EXPECT_EQ(ParseDriveSpec("N:remote:/net")->type, kDriveRemote);
  EXPECT_EQ(ParseDriveSpec("R:cdrom:/cd")->type, kDriveCdRom);
  EXPECT_EQ(ParseDriveSpec("M:ramdisk:rel/dir")->type, kDriveRamDisk);
  EXPECT_EQ(DriveTypeName(kDriveCdRom), "cdrom");
}

TEST(DriveTableTest, RejectsMalformedSpecsWithAReason) {
  for (const char* bad :
       {"", "E", "E:/tmp", "1:fixed:/x", "E:floppy:/x", "E:fixed:", "EE:fixed:/x"}) {
    std::string error;
    EXPECT_FALSE(ParseDriveSpec(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  std::string error;
  EXPECT_FALSE(ParseDriveTable({"E:fixed:/a", "e:removable:/b"}, &error));
  EXPECT_NE(error.find("twice"), std::string::npos);
  auto table = ParseDriveTable({"E:removable:/a", "C:fixed:/b"});
  ASSERT_TRUE(table);
  EXPECT_EQ(table->size(), 2u);
}

}  // namespace
}  // namespace veltrano::fs
