#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <vector>

#include "tests/testing/gif_writer.h"
#include "platform/picture/picture.h"
#include "tests/platform/picture/test_images.h"

namespace veltrano::picture {
namespace {

using testing::EncodeFrame;
using testing::FrameSpec;
using testing::GifSpec;
using testing::MakeImage;
using testing::MakePalette;
using testing::Pattern;
using testing::PixelsWithin;
using testing::WriteGif;

FrameSpec Frame(int width, int height, int colors, std::uint32_t seed,
                Pattern pattern = Pattern::kRuns) {
  FrameSpec f;
  f.width = width;
  f.height = height;
  f.min_code_size = std::max(2, static_cast<int>(std::bit_width(unsigned(colors - 1))));
  f.pixels = MakeImage(pattern, width, height, colors, seed);
  return f;
}

GifSpec OneFrame(FrameSpec frame, int global_colors = 16) {
  GifSpec desc;
  if (global_colors > 0) desc.global_table = MakePalette(global_colors, 99);
  desc.frames.push_back(std::move(frame));
  return desc;
}

std::vector<std::uint32_t> PaletteOf(const Picture& p) {
  return {p.Palette().begin(), p.Palette().end()};
}

std::vector<std::uint8_t> ToVector(std::span<const std::uint8_t> s) {
  return {s.begin(), s.end()};
}

TEST(LoadPicture, DecodesTheFirstImageWithItsPalette) {
  GifSpec desc = OneFrame(Frame(37, 21, 16, 1));
  desc.frames.push_back(Frame(10, 10, 16, 2));
  desc.frames[0].left = 3;
  desc.frames[0].top = 4;
  desc.screen_width = 500;
  desc.screen_height = 400;
  const auto bytes = WriteGif(desc);
  const LoadResult r = LoadPicture(bytes);
  ASSERT_TRUE(r.ok()) << static_cast<int>(r.error);
  const Picture& p = *r.picture;
  EXPECT_EQ(p.Width(), 37);
  EXPECT_EQ(p.Height(), 21);
  EXPECT_EQ(p.Left(), 3);
  EXPECT_EQ(p.Top(), 4);
  EXPECT_EQ(p.ScreenWidth(), 500);
  EXPECT_EQ(p.ScreenHeight(), 400);
  EXPECT_TRUE(p.Complete());
  EXPECT_FALSE(p.TransparentIndex().has_value());
  EXPECT_EQ(PaletteOf(p), desc.global_table);
  EXPECT_EQ(ToVector(p.Indices()), desc.frames[0].pixels);
  EXPECT_EQ(p.Row(20)[36], desc.frames[0].pixels.back());
}

TEST(LoadPicture, LocalTableWinsAndMissingTablesGiveAnEmptyPalette) {
  FrameSpec f = Frame(8, 8, 4, 3);
  f.local_table = MakePalette(4, 7);
  auto r = LoadPicture(WriteGif(OneFrame(f)));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(PaletteOf(*r.picture), f.local_table);

  f.local_table.clear();
  r = LoadPicture(WriteGif(OneFrame(f, 0)));
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.picture->Palette().empty());
  EXPECT_EQ(ToVector(r.picture->Indices()), f.pixels);
}

TEST(LoadPicture, AcceptsEitherSignatureInAnyLetterCase) {
  for (const char* sig : {"GIF87a", "GIF89a", "gif89a", "gIf87A"}) {
    GifSpec desc = OneFrame(Frame(5, 5, 4, 4));
    desc.signature = sig;
    EXPECT_TRUE(LoadPicture(WriteGif(desc)).ok()) << sig;
  }
  for (const char* sig : {"GIF88a", "GIF89b", "JFIF89"}) {
    GifSpec desc = OneFrame(Frame(5, 5, 4, 4));
    desc.signature = sig;
    EXPECT_EQ(LoadPicture(WriteGif(desc)).error, LoadError::kNotGif) << sig;
  }
  const std::uint8_t short_data[] = {'G', 'I', 'F', '8', '9'};
  EXPECT_EQ(LoadPicture(short_data).error, LoadError::kNotGif);
  EXPECT_EQ(LoadPicture({}).error, LoadError::kNotGif);
}

TEST(LoadPicture, TransparencyComesFromTheLastControlBlockBeforeTheImage) {
  FrameSpec f = Frame(6, 6, 16, 5);
  f.control = true;
  f.transparent = 9;
  GifSpec desc = OneFrame(f);
  desc.comment = true;
  desc.loops = 0;
  auto bytes = WriteGif(desc);
  auto r = LoadPicture(bytes);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.picture->TransparentIndex(), std::optional<std::uint8_t>(9));

  // An earlier control block with transparency, then one without: none. The
  // comment block in between does not detach the second one from the image.
  const std::vector<std::uint8_t> opaque = {0x21, 0xF9, 4, 0x00, 0, 0, 3, 0};
  const std::vector<std::uint8_t> comment = {0x21, 0xFE, 2, 'h', 'i', 0};
  const auto image = std::search(bytes.begin(), bytes.end(), opaque.begin(), opaque.begin() + 3);
  ASSERT_NE(image, bytes.end());
  const std::size_t at = static_cast<std::size_t>(image - bytes.begin()) + 8;
  bytes.insert(bytes.begin() + at, comment.begin(), comment.end());
  bytes.insert(bytes.begin() + at, opaque.begin(), opaque.end());
  r = LoadPicture(bytes);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r.picture->TransparentIndex().has_value());
  EXPECT_EQ(ToVector(r.picture->Indices()), f.pixels);
}

TEST(LoadPicture, StrayZeroBytesBetweenBlocksAreSkipped) {
  const FrameSpec f = Frame(9, 4, 16, 6);
  auto bytes = WriteGif(OneFrame(f));
  const std::size_t image = 13 + 3 * 16;
  ASSERT_EQ(bytes[image], 0x2C);
  bytes.insert(bytes.begin() + image, {0, 0, 0});
  const auto r = LoadPicture(bytes);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(ToVector(r.picture->Indices()), f.pixels);
}

TEST(LoadPicture, RefusesStreamsWithoutAUsableImage) {
  const auto good = WriteGif(OneFrame(Frame(9, 4, 16, 7)));
  const std::size_t image = 13 + 3 * 16;  // the "," byte
  // Cut inside the header, the global table, the descriptor, before the code size.
  for (std::size_t cut :
       {std::size_t{6}, std::size_t{12}, std::size_t{13}, image - 1, image + 5, image + 10}) {
    const std::span<const std::uint8_t> head(good.data(), cut);
    EXPECT_EQ(LoadPicture(head).error, LoadError::kTruncated) << cut;
  }
  // Nothing but the trailer, an unknown block, or an extension that runs off
  // the end: no image.
  for (std::uint8_t next : {0x3B, 0x99}) {
    std::vector<std::uint8_t> bytes(good.begin(), good.begin() + image);
    bytes.push_back(next);
    bytes.insert(bytes.end(), good.begin() + image, good.end());
    EXPECT_EQ(LoadPicture(bytes).error, LoadError::kNoImage) << int{next};
  }
  std::vector<std::uint8_t> bytes(good.begin(), good.begin() + image);
  bytes.insert(bytes.end(), {0x21, 0xFE, 200, 'x'});
  EXPECT_EQ(LoadPicture(bytes).error, LoadError::kNoImage);
}

TEST(LoadPicture, WideCodeSizesDecodeLikeTheNarrowOne) {
  // Some encoders write a code size of 9 to 11 for a 4-colour image.
  for (int mcs = 9; mcs <= 11; ++mcs) {
    FrameSpec f = Frame(61, 47, 4, 20u + mcs, Pattern::kNoise);
    f.min_code_size = mcs;
    const LoadResult r = LoadPicture(WriteGif(OneFrame(f)));
    ASSERT_TRUE(r.ok()) << mcs << " error " << static_cast<int>(r.error);
    EXPECT_TRUE(r.picture->Complete()) << mcs;
    EXPECT_EQ(ToVector(r.picture->Indices()), f.pixels) << mcs;
  }
}

TEST(LoadPicture, RefusesEmptyImagesAndCodeSizesOutsideTwoToEleven) {
  FrameSpec f = Frame(4, 4, 4, 8);
  for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}}) {
    FrameSpec empty = f;
    empty.width = w;
    empty.height = h;
    empty.pixels.clear();
    EXPECT_EQ(LoadPicture(WriteGif(OneFrame(empty))).error, LoadError::kEmptyImage);
  }
  for (int mcs : {0, 1, 12, 255}) {
    auto bytes = WriteGif(OneFrame(f));
    bytes[13 + 3 * 16 + 10] = static_cast<std::uint8_t>(mcs);
    EXPECT_EQ(LoadPicture(bytes).error, LoadError::kBadCodeSize) << mcs;
  }
}

TEST(LoadPicture, RefusesPicturesAboveThePixelBudget) {
  // A 65535 × 65535 image in 30-odd bytes: refused before any allocation.
  FrameSpec f = Frame(2, 2, 4, 9);
  auto bytes = WriteGif(OneFrame(f));
  const std::size_t image = 13 + 3 * 16;
  for (int i = 5; i <= 8; ++i) bytes[image + i] = 0xFF;
  EXPECT_EQ(LoadPicture(bytes).error, LoadError::kTooLarge);

  f = Frame(100, 50, 4, 9);
  bytes = WriteGif(OneFrame(f));
  EXPECT_EQ(LoadPicture(bytes, {.max_pixels = 4999}).error, LoadError::kTooLarge);
  EXPECT_TRUE(LoadPicture(bytes, {.max_pixels = 5000}).ok());
}

TEST(LoadPicture, MissingDataLeavesTheRestOfTheImageAtIndexZero) {
  for (bool interlaced : {false, true}) {
    FrameSpec f = Frame(61, 43, 64, 10, Pattern::kPhoto);
    for (auto& p : f.pixels) p = static_cast<std::uint8_t>(p | 1);  // no zeros of its own
    f.interlaced = interlaced;
    const auto stream = EncodeFrame(f);
    const auto bytes = WriteGif(OneFrame(f, 64));
    const std::size_t data = 13 + 3 * 64 + 11;  // first sub-block length byte
    for (std::size_t lzw_bytes :
         {std::size_t{0}, std::size_t{1}, std::size_t{100}, std::size_t{254}, std::size_t{600}}) {
      // Cut inside the sub-blocks (one length byte per 255 data bytes).
      const std::size_t cut = data + 1 + lzw_bytes + lzw_bytes / 255;
      const auto r = LoadPicture(std::span<const std::uint8_t>(bytes.data(), cut));
      ASSERT_TRUE(r.ok()) << lzw_bytes;
      EXPECT_FALSE(r.picture->Complete());
      const std::size_t decoded = PixelsWithin(stream, lzw_bytes);
      // Rows in storage order: the decoded ones hold the image, the rest 0.
      std::vector<std::uint8_t> expected(f.pixels.size(), 0);
      const auto stored =
          interlaced ? testing::InterlaceRows(f.pixels, f.width, f.height) : f.pixels;
      std::copy_n(stored.begin(), decoded, expected.begin());
      std::vector<std::uint8_t> got = ToVector(r.picture->Indices());
      if (interlaced) got = testing::InterlaceRows(got, f.width, f.height);
      ASSERT_EQ(got, expected) << "interlaced " << interlaced << " cut after " << lzw_bytes;
    }
  }
}

TEST(LoadPicture, DecodingIntoOnePictureReusesItsBufferAndKeepsNothingStale) {
  Picture picture;
  FrameSpec big = Frame(40, 30, 16, 31, Pattern::kNoise);
  FrameSpec small = Frame(9, 7, 16, 32, Pattern::kNoise);
  small.interlaced = true;
  small.left = 5;
  small.control = true;
  small.transparent = 3;
  ASSERT_EQ(LoadPictureInto(WriteGif(OneFrame(big)), picture), LoadError::kNone);
  EXPECT_EQ(ToVector(picture.Indices()), big.pixels);
  const std::uint8_t* buffer = picture.Indices().data();

  ASSERT_EQ(LoadPictureInto(WriteGif(OneFrame(small, 4)), picture), LoadError::kNone);
  EXPECT_EQ(picture.Indices().data(), buffer) << "a smaller image takes a new buffer";
  EXPECT_EQ(picture.Width(), 9);
  EXPECT_EQ(picture.Height(), 7);
  EXPECT_EQ(picture.Left(), 5);
  EXPECT_TRUE(picture.Interlaced());
  EXPECT_EQ(picture.TransparentIndex(), std::optional<std::uint8_t>(3));
  EXPECT_EQ(picture.Palette().size(), 4u);
  EXPECT_EQ(ToVector(picture.Indices()), small.pixels);

  // Data that stops early: the rest is 0, not what the last image left.
  auto cut = WriteGif(OneFrame(big));
  cut.resize(13 + 3 * 16 + 11 + 1 + 20);
  ASSERT_EQ(LoadPictureInto(cut, picture), LoadError::kNone);
  EXPECT_FALSE(picture.Complete());
  const auto indices = ToVector(picture.Indices());
  ASSERT_EQ(indices.size(), big.pixels.size());
  EXPECT_TRUE(std::all_of(indices.end() - 600, indices.end(), [](std::uint8_t v) { return v == 0; }));

  // A larger image than any before gets a buffer of its size; an error keeps
  // the picture usable for the next load.
  FrameSpec bigger = Frame(80, 60, 16, 33, Pattern::kNoise);
  ASSERT_EQ(LoadPictureInto(WriteGif(OneFrame(bigger)), picture), LoadError::kNone);
  EXPECT_EQ(ToVector(picture.Indices()), bigger.pixels);
  EXPECT_EQ(LoadPictureInto(std::vector<std::uint8_t>{'G', 'I', 'F'}, picture), LoadError::kNotGif);
  ASSERT_EQ(LoadPictureInto(WriteGif(OneFrame(small, 4)), picture), LoadError::kNone);
  EXPECT_EQ(ToVector(picture.Indices()), small.pixels);
}

TEST(LoadPicture, InterlacedImagesOfEveryShortHeight) {
  for (int height = 1; height <= 17; ++height) {
    FrameSpec f = Frame(7, height, 256, 100 + height, Pattern::kNoise);
    f.interlaced = true;
    const auto r = LoadPicture(WriteGif(OneFrame(f)));
    ASSERT_TRUE(r.ok());
    EXPECT_TRUE(r.picture->Interlaced());
    EXPECT_TRUE(r.picture->Complete());
    EXPECT_EQ(ToVector(r.picture->Indices()), f.pixels) << height;
  }
}

}  // namespace
}  // namespace veltrano::picture
