#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/anigif/control_fixture.h"
#include "tests/testing/temp_folder.h"

namespace veltrano::anigif::testing {
namespace {

namespace fs = std::filesystem;

class TempDir : public veltrano::testing::TempFolder {
 public:
  std::string Write(const std::string& name, const Bytes& bytes) const {
    const fs::path p = fs::path(path()) / fs::path(std::u8string(name.begin(), name.end()));
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
  }
};

Bytes ThreeFrames() {
  return MakeGif({Frame(0, 0, 6, 4, 4, 1), Frame(0, 0, 6, 4, 4, 2), Frame(0, 0, 6, 4, 4, 3)});
}

TEST(Loader, NarrowAndWideNames) {
  EXPECT_TRUE(IsNarrowName(""));
  EXPECT_TRUE(IsNarrowName("C:\\banner.gif"));
  EXPECT_TRUE(IsNarrowName("caf\xC3\xA9.gif"));                // U+00E9
  EXPECT_FALSE(IsNarrowName("\xE6\xA8\xAA\xE5\xB9\x85.gif"));  // 横幅
  EXPECT_FALSE(IsNarrowName("\xC4\x80"));                      // U+0100
}

TEST(Loader, FilesWithPlainAndWideNamesLoad) {
  TempDir dir;
  const Bytes gif = ThreeFrames();
  for (const std::string name : {"banner.gif", "\xE6\xA8\xAA\xE5\xB9\x85.gif"}) {
    ControlFixture fx;
    EXPECT_TRUE(fx.control.LoadAnimatedGIF_File(dir.Write(name, gif))) << name;
    EXPECT_EQ(fx.control.FrameCount(), 3);
  }
}

TEST(Loader, TruncatedFileKeepsItsCompleteFrames) {
  TempDir dir;
  Bytes gif;
  AppendHeader(gif, "GIF89a", 4, 4, Ramp(4));
  size_t third = 0;
  for (int i = 0; i < 3; ++i) {
    if (i == 2) third = gif.size();
    AppendControl(gif, 1, 10, -1);
    ImageSpec image;
    image.width = image.height = 4;
    image.pixels = Pattern(4, 4, 4, i);
    AppendImage(gif, image, true);
  }
  gif.resize(third + 5);  // inside frame 3's graphic control extension
  ControlFixture fx;
  EXPECT_TRUE(fx.control.LoadAnimatedGIF_File(dir.Write("cut.gif", gif)));
  EXPECT_EQ(fx.control.FrameCount(), 2);
}

TEST(Loader, UnreadableFilesFailAndNeverReloadOldData) {
  TempDir dir;
  // Design mode keeps the data of the last load; a failing file must not
  // bring it back and report success.
  ControlFixture fx(false);
  ASSERT_TRUE(fx.control.LoadAnimatedGIF_File(dir.Write("good.gif", ThreeFrames())));
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_File(dir.Write("empty.gif", {})));
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  ASSERT_TRUE(fx.control.LoadAnimatedGIF_File(dir.Write("good.gif", ThreeFrames())));
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_File(dir.Write("x", {}) + "-missing"));
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_File(fs::temp_directory_path().string()));
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_File(dir.Write("text.gif", {'h', 'e', 'l', 'l', 'o'})));
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_TRUE(fx.control.Store().GifBytes.empty());
}

TEST(Loader, ArraysOfOneAndTwoDimensions) {
  Bytes gif = ThreeFrames();
  ASSERT_LT(gif.size(), 1000u);
  gif.resize(1000, 0);  // zeros after the trailer are never read
  ControlFixture fx(false);
  ASSERT_TRUE(fx.control.LoadAnimatedGIF_Array(ByteArrayArg::Of2D(gif, 10, 100)));
  EXPECT_EQ(fx.control.Store().GifBytes.size(), 1000u);
  EXPECT_EQ(fx.control.FrameCount(), 3);
  // A descriptor claiming more than the storage holds is refused.
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_Array(ByteArrayArg::Of2D(gif, 10, 101)));
  ByteArrayArg threeDims = ByteArrayArg::Of(gif);
  threeDims.dims = {10, 10, 10};
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_Array(threeDims));
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_Array(ByteArrayArg{}));
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_Array(ByteArrayArg::Of({})));
  ByteArrayArg huge = ByteArrayArg::Of(gif);
  huge.elementSize = 4;
  huge.dims = {0x10000, 0x10000};  // the size overflows 32 bits
  EXPECT_FALSE(fx.control.LoadAnimatedGIF_Array(huge));
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
}

TEST(Loader, StretchFourGivesTheControlTheImageSize) {
  ControlFixture fx(true, 10, 10);
  fx.control.SetStretch(4);
  ASSERT_TRUE(fx.Load(MakeGif({Frame(0, 0, 32, 16)})));
  EXPECT_EQ(fx.host.LastSetWidthTwips(), 32 * 15);
  EXPECT_EQ(fx.host.LastSetHeightTwips(), 16 * 15);
  EXPECT_EQ(fx.host.ClientWidth(), 32);
  EXPECT_EQ(fx.control.ActualWidth(), 32 * 15);
  EXPECT_EQ(fx.control.ActualHeight(), 16 * 15);
}

struct RemoteFixture : ControlFixture {
  RemoteFixture() {
    control.Events().RemoteLoadComplete = [this](float w, float h, bool& cancel) {
      completes.push_back({w, h});
      cancel = cancelNext;
    };
    control.Events().RemoteLoadFailure = [this] { ++failures; };
  }
  std::vector<std::pair<float, float>> completes;
  int failures = 0;
  bool cancelNext = false;
};

TEST(Loader, RemoteRequestsAndTheirOutcomes) {
  {
    RemoteFixture fx;
    fx.control.LoadAnimatedGIF_Remote("");
    EXPECT_TRUE(fx.host.PendingReads().empty());
    EXPECT_EQ(fx.failures, 0);
    fx.host.RefuseAsyncReads(true);
    fx.control.LoadAnimatedGIF_Remote("http://example.invalid/a.gif");
    EXPECT_EQ(fx.failures, 1);
  }
  {
    RemoteFixture fx;
    fx.control.LoadAnimatedGIF_Remote("http://example.invalid/a.gif");
    ASSERT_EQ(fx.host.PendingReads().size(), 1u);
    EXPECT_EQ(fx.host.PendingReads()[0].propertyName, "remoteGIF");
    EXPECT_EQ(fx.host.PendingReads()[0].options, 0x80000u);
    // An error status cancels the read and fails once.
    fx.host.FailAsyncRead("remoteGIF");
    EXPECT_EQ(fx.failures, 1);
    EXPECT_EQ(fx.host.CancelledReads(), std::vector<std::string>{"remoteGIF"});
  }
  const Bytes gif = ThreeFrames();
  {
    RemoteFixture fx;
    fx.control.LoadAnimatedGIF_Remote("x");
    fx.host.CompleteAsyncRead("remoteGIF", Bytes(gif.begin(), gif.begin() + 14));
    EXPECT_EQ(fx.failures, 1);
    EXPECT_TRUE(fx.completes.empty());
  }
  {
    RemoteFixture fx;
    fx.control.LoadAnimatedGIF_Remote("x");
    Bytes notGif = gif;
    notGif[0] = 'J';
    fx.host.CompleteAsyncRead("remoteGIF", notGif);
    EXPECT_EQ(fx.failures, 1);
    EXPECT_TRUE(fx.completes.empty());
  }
  {
    // 15 bytes with a good signature: announced, then the load fails quietly.
    RemoteFixture fx;
    fx.control.LoadAnimatedGIF_Remote("x");
    fx.host.CompleteAsyncRead("remoteGIF", Bytes(gif.begin(), gif.begin() + 15));
    EXPECT_EQ(fx.completes.size(), 1u);
    EXPECT_EQ(fx.failures, 0);
    EXPECT_EQ(fx.control.CurrentFrame(), 0);
  }
}

TEST(Loader, RemoteSizesComeFromTheHeaderInContainerUnits) {
  RemoteFixture fx;
  fx.control.LoadAnimatedGIF_Remote("x");
  const Bytes gif = MakeGif({Frame(0, 0, 6, 4)}, 4, -1, 300, 200);
  // A transfer that reports more than it delivered reads only what came.
  fx.host.CompleteAsyncRead("remoteGIF", gif, static_cast<int64_t>(gif.size()) + 100000);
  ASSERT_EQ(fx.completes.size(), 1u);
  EXPECT_EQ(fx.completes[0].first, 4500.0f);
  EXPECT_EQ(fx.completes[0].second, 3000.0f);
  EXPECT_EQ(fx.control.FrameCount(), 1);
  EXPECT_EQ(fx.control.Store().GifInfo.Width, 6);
}

TEST(Loader, CancellingARemoteLoadKeepsTheAnimationShown) {
  RemoteFixture fx;
  ASSERT_TRUE(fx.Load(ThreeFrames()));
  fx.cancelNext = true;
  fx.control.LoadAnimatedGIF_Remote("x");
  fx.host.CompleteAsyncRead("remoteGIF", MakeGif({Frame(0, 0, 9, 9)}));
  EXPECT_EQ(fx.completes.size(), 1u);
  EXPECT_EQ(fx.control.FrameCount(), 3);
  EXPECT_EQ(fx.control.Store().GifInfo.Width, 6);
  EXPECT_TRUE(fx.control.Store().GifBytes.empty());
}

}  // namespace
}  // namespace veltrano::anigif::testing
