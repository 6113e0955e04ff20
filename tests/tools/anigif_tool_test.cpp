#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "anigif/property_bag.h"
#include "tests/anigif/control_fixture.h"
#include "tests/testing/run_command.h"
#include "tests/testing/temp_folder.h"

namespace veltrano::anigif::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out;
};

// Runs the tool; its standard error goes to `errFile`, or is dropped.
ToolRun Tool(const std::string& args, const std::string& errFile = "/dev/null") {
  const auto r =
      veltrano::testing::RunCommand(std::string(ANIGIF_TOOL) + " " + args + " 2>" + errFile);
  return {r.exitCode, r.out};
}

class ToolTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& gif) {
    const fs::path p = dir_ / "in.gif";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
    return p.string();
  }
  veltrano::testing::TempFolder folder_;
  fs::path dir_{folder_.path()};
};

std::vector<FrameSpec> TwoFrames() {
  FrameSpec second = Frame(1, 2, 3, 4, 4, 1);
  second.delayCs = 7;
  second.disposal = 2;
  second.transIndex = 1;
  second.image.localTable = Ramp(4);
  return {Frame(0, 0, 5, 6), second};
}

TEST_F(ToolTest, InfoDescribesEveryFrame) {
  const ToolRun r = Tool("info " + Write(MakeGif(TwoFrames(), 4, 3)));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "frames: 2\nsize: 5x6\nloops: 3\n"
            "frame 1: rect 0,0 5x6 delay 100 disposal 0 transparent none table global (4)\n"
            "frame 2: rect 1,2 3x4 delay 70 disposal 2 transparent index 1 table local 1 (4)\n");
}

TEST_F(ToolTest, StripHoldsEveryFramesIndices) {
  const Bytes gif = MakeGif(TwoFrames());
  const fs::path out = dir_ / "strip.pgm";
  ASSERT_EQ(Tool("strip " + Write(gif) + " " + out.string()).status, 0);
  std::ifstream in(out, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string pgm = all.str();
  const std::string header = "P5\n8 6\n255\n";
  ASSERT_EQ(pgm.substr(0, header.size()), header);
  ControlFixture fx;
  fx.control.SetDelayAnimation(0);
  ASSERT_TRUE(fx.Load(gif));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(static_cast<uint8_t>(pgm[header.size() + static_cast<size_t>(y) * 8 + x]),
                fx.StripIndex(x, y))
          << x << "," << y;
    }
  }
}

TEST_F(ToolTest, FramesWritesOneImagePerFrame) {
  const std::string file = Write(MakeGif(TwoFrames()));
  ASSERT_EQ(Tool("frames " + file + " " + (dir_ / "out").string() + " --background 102030").status,
            0);
  std::ifstream first(dir_ / "out" / "frame_0001.ppm", std::ios::binary);
  std::string magic;
  int w = 0, h = 0, max = 0;
  first >> magic >> w >> h >> max;
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 6);
  EXPECT_TRUE(fs::exists(dir_ / "out" / "frame_0002.ppm"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "frame_0003.ppm"));
  // A size and a stretch mode: the surface takes the size asked for.
  ASSERT_EQ(
      Tool("frames " + file + " " + (dir_ / "big").string() + " --stretch 2 --size 10x12").status,
      0);
  std::ifstream big(dir_ / "big" / "frame_0001.ppm", std::ios::binary);
  big >> magic >> w >> h;
  EXPECT_EQ(w, 10);
  EXPECT_EQ(h, 12);
}

TEST_F(ToolTest, ExportWritesTheFrameAsTheControlHandsItOut) {
  const std::vector<FrameSpec> frames = TwoFrames();
  const std::string file = Write(MakeGif(frames));
  const fs::path out = dir_ / "frame2.gif";
  ASSERT_EQ(Tool("export " + file + " 2 " + out.string()).status, 0);
  std::ifstream in(out, std::ios::binary);
  const Bytes gif((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const host::PictureRef p = MakePictureObject(gif);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->image.Width(), 3);
  EXPECT_EQ(p->image.Height(), 4);
  EXPECT_EQ(std::vector<uint8_t>(p->image.Indices().begin(), p->image.Indices().end()),
            frames[1].image.pixels);
  EXPECT_EQ(p->image.TransparentIndex(), std::optional<uint8_t>(1));
  EXPECT_EQ(Tool("export " + file + " 3 " + out.string()).status, 1);
  EXPECT_EQ(Tool("export " + file + " 0 " + out.string()).status, 2);
}

// The committed banner property set is what the tool makes from the banner.
TEST_F(ToolTest, PropsRemakesTheBannerSet) {
  const fs::path out = dir_ / "banner.props";
  ASSERT_EQ(Tool(std::string("props ") + VELTRANO_ASSETS "/banner.gif " + out.string()).status, 0);
  auto read = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const Bytes made = read(out);
  ASSERT_FALSE(made.empty());
  EXPECT_EQ(made, read(fs::path(VELTRANO_ASSETS) / "banner.props"));
  EXPECT_EQ(Tool("props " + Write({'G', 'I', 'F'}) + " " + out.string()).status, 1);
}

TEST_F(ToolTest, FramesRefusesWhatWouldTakeMoreThanTheBudget) {
  auto errors = [&] {
    std::ifstream in(dir_ / "err.txt");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const std::string err = (dir_ / "err.txt").string();
  // 70-odd bytes: one 1 x 1 frame at (65535, 65535).
  const Bytes far = MakeGif({Frame(65535, 65535, 1, 1)});
  ASSERT_LT(far.size(), 100u);
  EXPECT_EQ(Tool("frames " + Write(far) + " " + (dir_ / "far").string(), err).status, 1);
  EXPECT_NE(errors().find("cannot load"), std::string::npos) << errors();
  EXPECT_FALSE(fs::exists(dir_ / "far" / "frame_0001.ppm"));
  // A small animation stretched to a surface above the host's budget.
  const std::string small = Write(MakeGif(TwoFrames()));
  EXPECT_EQ(Tool("frames " + small + " " + (dir_ / "big").string() + " --stretch 2 --size 9000x8000",
                 err)
                .status,
            1);
  EXPECT_NE(errors().find("refused"), std::string::npos) << errors();
  EXPECT_FALSE(fs::exists(dir_ / "big" / "frame_0001.ppm"));
}

TEST_F(ToolTest, BadUseAndBadFiles) {
  EXPECT_EQ(Tool("").status, 2);
  EXPECT_EQ(Tool("frames a b --stretch 9").status, 2);
  EXPECT_EQ(Tool("info " + (dir_ / "missing.gif").string()).status, 1);
  EXPECT_EQ(Tool("info " + Write({'G', 'I', 'F'})).status, 1);
}

}  // namespace
}  // namespace veltrano::anigif::testing
