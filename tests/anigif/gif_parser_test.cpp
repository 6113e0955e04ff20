#include "anigif/gif_parser.h"

#include <gtest/gtest.h>

#include "tests/testing/gif_blocks.h"

namespace veltrano::anigif {
namespace {

using testing::AppendComment;
using testing::AppendControl;
using testing::AppendHeader;
using testing::AppendImage;
using testing::AppendLoops;
using testing::AppendTrailer;
using testing::Bytes;
using testing::ImageSpec;
using testing::Pattern;
using testing::Ramp;

struct Parsed {
  GifData data;
  int count = 0;
};

Parsed Parse(const Bytes& bytes) {
  Parsed p;
  p.data.GifBytes = bytes;
  p.data.Pow2 = {1, 2, 4, 8, 16, 32, 64, 128, 256};
  p.count = GifParser(p.data).ParseGif();
  return p;
}

ImageSpec Image(int left, int top, int width, int height, std::vector<uint32_t> local = {}) {
  ImageSpec desc;
  desc.left = left;
  desc.top = top;
  desc.width = width;
  desc.height = height;
  desc.pixels = Pattern(width, height, 2);
  desc.localTable = std::move(local);
  return desc;
}

TEST(GifParser, PlainGif87aFrameHasNeutralSettings) {
  Bytes gif;
  AppendHeader(gif, "GIF87a", 4, 4, Ramp(4));
  AppendImage(gif, Image(0, 0, 4, 4), true);
  AppendTrailer(gif);
  const Parsed p = Parse(gif);
  ASSERT_EQ(p.count, 1);
  const FrameInfo& f = p.data.Frame(1);
  EXPECT_EQ(f.Delay, 0);
  EXPECT_EQ(f.Disposal, DisposalMethod::kUnspecified);
  EXPECT_EQ(f.TransFlag, 0);
  EXPECT_EQ(f.ColorTable, 0);
  EXPECT_EQ(p.data.GifInfo.Loops, 0);
  // Without a graphic control extension the first block is the image itself.
  EXPECT_EQ(f.StripX, 14 + 12);
  EXPECT_EQ(p.data.Block(1).Start, 14 + 12);
  // The block runs from "," to the data terminator; the trailer follows it.
  EXPECT_EQ(p.data.Block(1).Start + p.data.Block(1).Length, static_cast<int>(gif.size()));
  EXPECT_EQ(p.data.ColorTables.at(0)[1], static_cast<int32_t>(Ramp(4)[1]));
  EXPECT_EQ(p.data.ColorTables.at(0)[256], 4);
}

TEST(GifParser, SignatureIsCheckedWithoutRegardToCase) {
  for (const char* sig : {"GIF89a", "gif89A", "Gif87A", "GIF88a", "PNG89a", "GIF"}) {
    Bytes gif;
    if (std::string(sig).size() == 6) {
      AppendHeader(gif, sig, 2, 2, Ramp(2));
      AppendImage(gif, Image(0, 0, 2, 2), true);
      AppendTrailer(gif);
    } else {
      gif.assign(sig, sig + 3);
    }
    const bool good =
        std::string(sig) != "GIF88a" && std::string(sig) != "PNG89a" && std::string(sig) != "GIF";
    EXPECT_EQ(Parse(gif).count, good ? 1 : 0) << sig;
  }
}

TEST(GifParser, AnimationSizeComesFromFramesNotTheScreen) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 500, 500, Ramp(2));
  AppendImage(gif, Image(5, 5, 20, 10), true);
  AppendTrailer(gif);
  const Parsed p = Parse(gif);
  ASSERT_EQ(p.count, 1);
  EXPECT_EQ(p.data.GifInfo.Width, 25);
  EXPECT_EQ(p.data.GifInfo.Height, 15);
}

TEST(GifParser, GraphicControlFields) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 4, 4, Ramp(4));
  const int firstGce = static_cast<int>(gif.size()) + 1;
  // Packed 0x1D: disposal field 7, transparency on.
  AppendControl(gif, 7, 7, 3);
  AppendImage(gif, Image(0, 0, 4, 4), true);
  AppendControl(gif, 7, 0xFFFF, 2);
  AppendComment(gif, "between");  // the extension still applies
  AppendImage(gif, Image(0, 0, 4, 4), true);
  AppendControl(gif, 1, 1, -1);
  AppendControl(gif, 2, 3, -1);  // the later one wins
  AppendImage(gif, Image(0, 0, 4, 4), true);
  AppendTrailer(gif);
  const Parsed p = Parse(gif);
  ASSERT_EQ(p.count, 3);
  const FrameInfo& f1 = p.data.Frame(1);
  EXPECT_EQ(f1.Disposal, DisposalMethod::kUnspecified);  // restore-to-previous on the first frame
  EXPECT_EQ(f1.TransFlag, 1);
  EXPECT_EQ(f1.TransIndex, 3);
  EXPECT_EQ(f1.Delay, 70);
  EXPECT_EQ(f1.StripX, firstGce);
  EXPECT_EQ(p.data.Block(1).Start, firstGce + 8);
  const FrameInfo& f2 = p.data.Frame(2);
  EXPECT_EQ(f2.Disposal, DisposalMethod::kRestorePrevious);
  EXPECT_EQ(f2.Delay, 655350);
  EXPECT_EQ(f2.TransIndex, 2);
  const FrameInfo& f3 = p.data.Frame(3);
  EXPECT_EQ(f3.Disposal, DisposalMethod::kRestoreBackground);
  EXPECT_EQ(f3.Delay, 30);
  EXPECT_EQ(f3.TransFlag, 0);
  EXPECT_EQ(f3.StripX, p.data.Block(3).Start - 8);
}

TEST(GifParser, LoopCountFromNetscapeExtension) {
  for (int loops : {0, 5, 0x7FFF, 0x8000, 0xFFFF}) {
    for (const char* id : {"NETSCAPE2.0", "netscape2.0"}) {
      Bytes gif;
      AppendHeader(gif, "GIF89a", 2, 2, Ramp(2));
      AppendLoops(gif, loops, id);
      AppendImage(gif, Image(0, 0, 2, 2), true);
      AppendTrailer(gif);
      const Parsed p = Parse(gif);
      ASSERT_EQ(p.count, 1);
      EXPECT_EQ(p.data.GifInfo.Loops, loops) << id;
    }
  }
  // Another application's extension is skipped and sets nothing.
  Bytes gif;
  AppendHeader(gif, "GIF89a", 2, 2, Ramp(2));
  AppendLoops(gif, 9, "ANIMEXTS1.0");
  AppendImage(gif, Image(0, 0, 2, 2), true);
  AppendTrailer(gif);
  const Parsed p = Parse(gif);
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(p.data.GifInfo.Loops, 0);
}

TEST(GifParser, NetscapeBlockWithoutLoopSubBlockIsWalked) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 2, 2, Ramp(2));
  const std::string id = "NETSCAPE2.0";
  gif.insert(gif.end(), {0x21, 0xFF, 11});
  gif.insert(gif.end(), id.begin(), id.end());
  gif.insert(gif.end(), {5, 2, 9, 9, 9, 9, 0});  // a buffering sub-block
  AppendImage(gif, Image(0, 0, 2, 2), true);
  AppendTrailer(gif);
  const Parsed p = Parse(gif);
  EXPECT_EQ(p.count, 1);
  EXPECT_EQ(p.data.GifInfo.Loops, 0);
}

TEST(GifParser, MissingColourTableFailsTheWholeFile) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 2, 2, {});
  AppendImage(gif, Image(0, 0, 2, 2, Ramp(2)), false);
  AppendImage(gif, Image(0, 0, 2, 2), false);
  AppendTrailer(gif);
  EXPECT_EQ(Parse(gif).count, 0);
}

TEST(GifParser, StrayZeroIsSkippedAndUnknownByteEndsTheStream) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 2, 2, Ramp(2));
  AppendImage(gif, Image(0, 0, 2, 2), true);
  gif.push_back(0x00);
  AppendImage(gif, Image(0, 0, 2, 2), true);
  gif.push_back(0x99);
  AppendImage(gif, Image(0, 0, 2, 2), true);
  AppendTrailer(gif);
  EXPECT_EQ(Parse(gif).count, 2);
}

TEST(GifParser, LocalTablesAreNumberedInFileOrder) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 4, 4, Ramp(2));
  AppendImage(gif, Image(0, 0, 4, 4, Ramp(4)), true);
  AppendImage(gif, Image(0, 0, 4, 4), true);
  AppendImage(gif, Image(0, 0, 4, 4, Ramp(16)), true);
  AppendImage(gif, Image(0, 0, 4, 4, Ramp(256)), true);
  AppendTrailer(gif);
  const Parsed p = Parse(gif);
  ASSERT_EQ(p.count, 4);
  EXPECT_EQ(p.data.Frame(1).ColorTable, 1);
  EXPECT_EQ(p.data.Frame(2).ColorTable, 0);
  EXPECT_EQ(p.data.Frame(3).ColorTable, 2);
  EXPECT_EQ(p.data.Frame(4).ColorTable, 3);
  ASSERT_EQ(p.data.ColorTables.size(), 4u);
  EXPECT_EQ(p.data.CurrentTable, 3);
  EXPECT_EQ(p.data.ColorTables[1][256], 4);
  EXPECT_EQ(p.data.ColorTables[2][256], 16);
  EXPECT_EQ(p.data.ColorTables[3][256], 256);
  EXPECT_EQ(p.data.ColorTables[3][255], static_cast<int32_t>(Ramp(256)[255]));
  // A two-entry global table: the rest of the column stays zero.
  EXPECT_EQ(p.data.ColorTables[0][256], 2);
  for (int i = 2; i < 256; ++i) ASSERT_EQ(p.data.ColorTables[0][i], 0) << i;
}

TEST(GifParser, TruncatedDataKeepsTheFramesRead) {
  Bytes gif;
  AppendHeader(gif, "GIF89a", 4, 4, Ramp(4));
  std::vector<size_t> frameStarts;
  for (int i = 0; i < 3; ++i) {
    frameStarts.push_back(gif.size());
    AppendControl(gif, 1, 10, -1);
    AppendImage(gif, Image(0, 0, 4, 4, i == 2 ? Ramp(4) : std::vector<uint32_t>{}), true);
  }
  AppendTrailer(gif);
  const size_t third = frameStarts[2];
  // Cut inside the third frame's control extension, descriptor, local
  // table: two frames. Cut inside its data: three, the last one running past
  // the end of the data.
  EXPECT_EQ(Parse(Bytes(gif.begin(), gif.begin() + third + 4)).count, 2);
  EXPECT_EQ(Parse(Bytes(gif.begin(), gif.begin() + third + 8 + 6)).count, 2);
  EXPECT_EQ(Parse(Bytes(gif.begin(), gif.begin() + third + 8 + 10 + 5)).count, 2);
  const Bytes inData(gif.begin(), gif.end() - 4);
  const Parsed p = Parse(inData);
  ASSERT_EQ(p.count, 3);
  EXPECT_GT(p.data.Block(3).Start + p.data.Block(3).Length - 1, static_cast<int>(inData.size()));
  // Cut before the first image, or inside the header: nothing.
  EXPECT_EQ(Parse(Bytes(gif.begin(), gif.begin() + frameStarts[0] + 3)).count, 0);
  EXPECT_EQ(Parse(Bytes(gif.begin(), gif.begin() + 20)).count, 0);
  EXPECT_EQ(Parse(Bytes(gif.begin(), gif.begin() + 8)).count, 0);
}

TEST(GifParser, BrokenApplicationExtensionsEndParsingQuietly) {
  Bytes base;
  AppendHeader(base, "GIF89a", 2, 2, Ramp(2));
  AppendImage(base, Image(0, 0, 2, 2), true);
  Bytes zeroSize = base;
  zeroSize.insert(zeroSize.end(), {0x21, 0xFF, 0, 0});
  AppendImage(zeroSize, Image(0, 0, 2, 2), true);
  AppendTrailer(zeroSize);
  EXPECT_EQ(Parse(zeroSize).count, 1);
  // An identifier running off the end: its bytes are walked as lengths.
  Bytes cutId = base;
  cutId.insert(cutId.end(), {0x21, 0xFF, 11, 'N', 'E', 'T'});
  EXPECT_EQ(Parse(cutId).count, 1);
}

TEST(GifParser, ReadPrimitivesStopAtTheEndOfData) {
  GifData data;
  data.GifBytes = {1, 2, 3};
  data.Pow2 = {1, 2, 4, 8, 16, 32, 64, 128, 256};
  GifParser parser(data);
  data.ReadPos = 2;
  EXPECT_EQ(parser.ReadWord(), 0x0302);
  EXPECT_THROW(parser.ReadByte(), GifReadError);
  data.ReadPos = 3;
  EXPECT_THROW(parser.ReadWord(), GifReadError);
  EXPECT_EQ(data.ReadPos, 3);
  // ReadBytes past the end copies nothing and leaves the cursor.
  data.ReadPos = 2;
  parser.ReadBytes(4);
  EXPECT_EQ(data.ReadPos, 2);
  EXPECT_EQ(data.ScratchBytes, std::vector<uint8_t>(4, 0));
  parser.ReadBytes(2);
  EXPECT_EQ(data.ScratchBytes, (std::vector<uint8_t>{2, 3}));
  EXPECT_EQ(data.ReadPos, 4);
  // A chain of sub-blocks that runs off the end leaves the cursor beyond it.
  data.GifBytes = {5, 1, 1};
  data.ReadPos = 1;
  parser.SkipSubBlocks();
  EXPECT_EQ(data.ReadPos, 8);
  // A colour table that does not fit.
  data.ReadPos = 1;
  EXPECT_THROW(parser.ReadColorTable(0, 1), GifReadError);
}

}  // namespace
}  // namespace veltrano::anigif
