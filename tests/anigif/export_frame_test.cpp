// The export's stream layout, byte for byte: header, table, extension,
// descriptor, LZW codes and sub-blocks.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "anigif/export_frame.h"
#include "export_frames.h"
#include "export_reference.h"

namespace veltrano::anigif {
namespace {

using testing::FlatFrame;
using testing::GradientFrame;
using testing::NoiseFrame;
using testing::RandomTable;
using testing::ReferenceEncode;
using testing::TestFrame;
using Bytes = std::vector<std::uint8_t>;

std::array<std::int32_t, kColorTableSlots> Table(std::initializer_list<std::int32_t> colours) {
  std::array<std::int32_t, kColorTableSlots> t{};
  int n = 0;
  for (auto c : colours) t[static_cast<std::size_t>(n++)] = c;
  t[256] = n;
  return t;
}

// The image data of an exported stream, split into its sub-blocks.
struct ImageData {
  std::size_t descriptor = 0;  // offset of the image descriptor
  std::vector<int> block_sizes;
  Bytes lzw;                     // the data bytes of all sub-blocks, in order
  std::size_t after_blocks = 0;  // offset of the block terminator
};

ImageData SplitImageData(const Bytes& gif) {
  ImageData d;
  std::size_t p = 781;
  if (gif.at(p) == 0x21) p += 8;
  d.descriptor = p;
  p += 10;
  EXPECT_EQ(gif.at(p), 8) << "minimum code size";
  ++p;
  while (gif.at(p) != 0) {
    const int n = gif[p];
    d.block_sizes.push_back(n);
    d.lzw.insert(d.lzw.end(), gif.begin() + static_cast<std::ptrdiff_t>(p) + 1,
                 gif.begin() + static_cast<std::ptrdiff_t>(p) + 1 + n);
    p += 1 + static_cast<std::size_t>(n);
  }
  d.after_blocks = p;
  return d;
}

struct Code {
  int code;
  int width;
};

// Reads the LZW codes as a GIF decoder sees them: 9 bits after a clear, one bit
// more each time the decoder's next free code reaches the next power of two.
// Stops after the end code; `bits_left` is what remains of the data.
std::vector<Code> ReadCodes(const Bytes& lzw, std::size_t* bits_left) {
  std::vector<Code> codes;
  std::size_t bit = 0;
  const std::size_t total = lzw.size() * 8;
  int width = 9;
  int next = 258;
  bool first = true;
  while (bit + static_cast<std::size_t>(width) <= total) {
    int code = 0;
    for (int k = 0; k < width; ++k, ++bit) {
      code |= ((lzw[bit / 8] >> (bit % 8)) & 1) << k;
    }
    codes.push_back({code, width});
    if (code == 256) {
      width = 9;
      next = 258;
      first = true;
      continue;
    }
    if (code == 257) break;
    if (!first && next < 4096 && ++next == (1 << width) && width < 12) ++width;
    first = false;
  }
  *bits_left = total - bit;
  return codes;
}

TEST(ExportFrame, OneByOneFrameIsTheSmallestStream) {
  const auto table = Table({0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x0A0B0C});
  const std::uint8_t pixel = 5;
  const Bytes gif = EncodeFrameGif({&pixel, 1, 1, 1}, table, 0, 0);

  Bytes want = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x87, 0, 0};
  const std::uint8_t rgb[] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90,
                              0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0x0A, 0x0B, 0x0C};
  want.insert(want.end(), std::begin(rgb), std::end(rgb));
  want.resize(781, 0);
  const std::uint8_t tail[] = {0x2C, 0,    0,    0,    0,    1, 0, 1, 0, 0,  // image descriptor
                               8,                                            // minimum code size
                               4,    0x00, 0x0B, 0x04, 0x04,                 // codes 256, 5, 257
                               0,    0x3B};
  want.insert(want.end(), std::begin(tail), std::end(tail));
  EXPECT_EQ(gif, want);
}

TEST(ExportFrame, RepeatedPixelUsesTheFirstNewCode) {
  // 5 5 5: the pair "5 5" becomes code 258 and is found again for the last two
  // pixels, so the stream holds 256, 5, 258, 257.
  const auto table = Table({0, 0});
  const std::uint8_t px[] = {5, 5, 5};
  const Bytes gif = EncodeFrameGif({px, 3, 3, 1}, table, 0, 0);
  const Bytes data(gif.begin() + 791, gif.end());
  EXPECT_EQ(data, (Bytes{8, 5, 0x00, 0x0B, 0x08, 0x0C, 0x08, 0, 0x3B}));
}

TEST(ExportFrame, ProbeStopsAtASlotHoldingKeyZero) {
  // "16 1" takes slot 0, so "0 0" (key 0) steps down to slot 5002. "21 157"
  // collides with "5 156" in slot 2501, whose first step also lands on 5002:
  // the key 0 found there ends the probe and is overwritten. The next "0 0" is
  // then not found and gets a code of its own (266), which the last pair uses.
  const std::uint8_t px[] = {16, 1, 0, 0, 5, 156, 21, 157, 0, 0, 0};
  const auto table = RandomTable(8, 256);
  const ImageData d = SplitImageData(EncodeFrameGif({px, 11, 11, 1}, table, 0, 0));
  std::size_t bits_left = 0;
  std::vector<int> codes;
  for (const Code& c : ReadCodes(d.lzw, &bits_left)) codes.push_back(c.code);
  EXPECT_EQ(codes, (std::vector<int>{256, 16, 1, 0, 0, 5, 156, 21, 157, 0, 266, 257}));
}

TEST(ExportFrame, KeyZeroOutOfPlaceInManyTablesMatchesStepByStepEncoder) {
  // Busy noise with "16 1" (a string whose primary slot is 0) and then runs of
  // 0 planted again and again, so that in table after table key 0 arrives
  // with slot 0 taken, at early and late points of the table.
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    TestFrame f = NoiseFrame(seed, 300, 120, 256);
    const std::size_t gap = 700 + 300 * seed;
    for (std::size_t at = 0; at + 8 < f.rows.size(); at += gap) {
      const std::size_t later = at + 100 + (at * 7) % (gap - 110);
      f.rows[at] = 16;
      f.rows[at + 1] = 1;
      for (std::size_t k = 0; k < 4 && later + k < f.rows.size(); ++k) f.rows[later + k] = 0;
    }
    const auto table = RandomTable(seed, 256);
    ASSERT_EQ(EncodeFrameGif(f.View(), table, 0, 0), ReferenceEncode(f.View(), table, 0, 0))
        << "seed " << seed;
  }
}

TEST(ExportFrame, HeaderCarriesSizeTableAndTransparency) {
  const TestFrame f = NoiseFrame(7, 300, 2, 4);
  const auto four = Table({0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF});

  const Bytes opaque = EncodeFrameGif(f.View(), four, 0, 9);
  ASSERT_GT(opaque.size(), 800u);
  EXPECT_EQ(Bytes(opaque.begin() + 6, opaque.begin() + 13), (Bytes{44, 1, 2, 0, 0x87, 0, 0}));
  EXPECT_EQ(Bytes(opaque.begin() + 13, opaque.begin() + 25),
            (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
  // A 4-colour table fills the 256-entry table with black.
  for (std::size_t i = 25; i < 781; ++i) ASSERT_EQ(opaque[i], 0) << "table byte " << i;
  // No extension: the descriptor follows the table at once.
  EXPECT_EQ(Bytes(opaque.begin() + 781, opaque.begin() + 792),
            (Bytes{0x2C, 0, 0, 0, 0, 44, 1, 2, 0, 0, 8}));

  const Bytes transparent = EncodeFrameGif(f.View(), four, 1, 3);
  EXPECT_EQ(Bytes(transparent.begin() + 781, transparent.begin() + 800),
            (Bytes{0x21, 0xF9, 0x04, 0x01, 0, 0, 3, 0, 0x2C, 0, 0, 0, 0, 44, 1, 2, 0, 0, 8}));
  // The rest of the stream does not depend on the extension.
  EXPECT_EQ(Bytes(transparent.begin() + 800, transparent.end()),
            Bytes(opaque.begin() + 792, opaque.end()));
}

TEST(ExportFrame, ColourCountOutsideItsRangeIsClamped) {
  const std::uint8_t px = 0;
  auto table = RandomTable(3, 256);
  table[256] = 100000;  // more than the table holds: only 256 entries exist
  const Bytes all = EncodeFrameGif({&px, 1, 1, 1}, table, 0, 0);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all[13 + 3 * 255], (table[255] >> 16) & 0xFF);
  table[256] = -4;  // nothing in use: an all-black table
  const Bytes none = EncodeFrameGif({&px, 1, 1, 1}, table, 0, 0);
  ASSERT_FALSE(none.empty());
  for (std::size_t i = 13; i < 781; ++i) ASSERT_EQ(none[i], 0);
}

TEST(ExportFrame, DataComesInFullSubBlocksAndEndsWithTrailer) {
  const TestFrame f = NoiseFrame(11, 200, 150, 256);
  const Bytes gif = EncodeFrameGif(f.View(), RandomTable(1, 256), 0, 0);
  const ImageData d = SplitImageData(gif);
  ASSERT_GT(d.block_sizes.size(), 10u);
  for (std::size_t i = 0; i + 1 < d.block_sizes.size(); ++i) {
    ASSERT_EQ(d.block_sizes[i], 254) << "sub-block " << i;
  }
  EXPECT_GE(d.block_sizes.back(), 1);
  EXPECT_LE(d.block_sizes.back(), 254);
  EXPECT_EQ(d.after_blocks + 2, gif.size());
  EXPECT_EQ(gif.back(), 0x3B);
}

TEST(ExportFrame, ClearsAfterCode4095AndStartsAgainAt9Bits) {
  // 256-colour noise makes a new string at almost every pixel.
  const TestFrame f = NoiseFrame(5, 128, 64, 256);
  const ImageData d = SplitImageData(EncodeFrameGif(f.View(), RandomTable(2, 256), 0, 0));
  std::size_t bits_left = 0;
  const std::vector<Code> codes = ReadCodes(d.lzw, &bits_left);
  ASSERT_GT(codes.size(), 4200u);

  EXPECT_EQ(codes[0].code, 256);
  EXPECT_EQ(codes[0].width, 9);
  // Codes 258..4095 are given to strings after the first 3838 data codes; the
  // next data code would have made code 4096, so a clear follows it in 12 bits.
  for (std::size_t k = 1; k < 3840; ++k) {
    const int defined =
        k == 1 ? 255 : 256 + static_cast<int>(k);  // at most the decoder's next code
    ASSERT_LE(codes[k].code, defined) << k;
    ASSERT_NE(codes[k].code, 256) << k;
    ASSERT_NE(codes[k].code, 257) << k;
  }
  EXPECT_EQ(codes[3839].width, 12);
  EXPECT_EQ(codes[3840].code, 256);
  EXPECT_EQ(codes[3840].width, 12);
  EXPECT_NE(codes[3841].code, 256);
  // After the clear: 9 bits until code 511 is taken, the first new string being 258.
  EXPECT_EQ(codes[3841].width, 9);
  EXPECT_EQ(codes[3840 + 255].width, 9);
  EXPECT_EQ(codes[3840 + 256].width, 10);
  // The stream ends cleanly: the end code last, then less than a byte of padding.
  EXPECT_EQ(codes.back().code, 257);
  EXPECT_LT(bits_left, 8u);
  // The next clear comes exactly one table later.
  ASSERT_GT(codes.size(), 2 * 3840u);
  for (std::size_t k = 3841; k < 2 * 3840; ++k) ASSERT_NE(codes[k].code, 256) << k;
  EXPECT_EQ(codes[2 * 3840].code, 256);
}

TEST(ExportFrame, MatchesStepByStepEncoderByteForByte) {
  // Many sizes and kinds, so that collisions, probes ending on key 0, clears
  // and every length of the last sub-block (including none) occur.
  int exact_multiples = 0;
  int cases = 0;
  for (int w = 1; w <= 260; w += 1) {
    const int h = 1 + (w * 7) % 23;
    const std::uint32_t seed = static_cast<std::uint32_t>(w) * 2654435761u;
    const int colours[] = {2, 3, 16, 256};
    const TestFrame frames[] = {NoiseFrame(seed, w, h, colours[w % 4]), GradientFrame(seed, w, h),
                                FlatFrame(w, h, static_cast<std::uint8_t>(w % 2 ? 0 : 200))};
    const auto table = RandomTable(seed, 2 + w % 255);
    for (const TestFrame& f : frames) {
      const Bytes got = EncodeFrameGif(f.View(), table, w % 3 == 0, static_cast<std::uint8_t>(w));
      const Bytes want = ReferenceEncode(f.View(), table, w % 3 == 0, static_cast<std::uint8_t>(w));
      ASSERT_EQ(got, want) << f.name;
      const ImageData d = SplitImageData(got);
      if (!d.block_sizes.empty() && d.block_sizes.back() == 254) ++exact_multiples;
      ++cases;
    }
  }
  EXPECT_EQ(cases, 780);
  EXPECT_GT(exact_multiples, 0) << "no frame ended on a full sub-block";

  // A few larger frames, with several clears each.
  const TestFrame big[] = {NoiseFrame(91, 640, 480, 256), NoiseFrame(92, 500, 300, 7),
                           GradientFrame(93, 800, 600), FlatFrame(1024, 768, 0)};
  for (const TestFrame& f : big) {
    const auto table = RandomTable(94, 256);
    ASSERT_EQ(EncodeFrameGif(f.View(), table, 1, 0), ReferenceEncode(f.View(), table, 1, 0))
        << f.name;
  }
}

TEST(ExportFrame, BottomUpViewReadsTheStripsTopRows) {
  // A strip 40 rows high holding a 24 x 10 frame at x = 8 (bottom-up rows padded to 4 bytes).
  const int strip_h = 40, row_bytes = 64, strip_x = 8, w = 24, h = 10;
  const TestFrame strip = NoiseFrame(17, row_bytes, strip_h, 256);  // memory rows, lowest first
  const FramePixels view = FrameInStrip(strip.rows.data(), row_bytes, strip_h, strip_x, w, h);
  ASSERT_EQ(view.width, w);
  ASSERT_EQ(view.height, h);

  TestFrame top{"top", w, h, {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) top.rows.push_back(strip.At(strip_x + x, strip_h - 1 - y));
  }
  const auto table = RandomTable(4, 256);
  EXPECT_EQ(EncodeFrameGif(view, table, 0, 0), EncodeFrameGif(top.View(), table, 0, 0));

  // A frame that does not lie inside the strip gives no view and no stream.
  EXPECT_EQ(FrameInStrip(strip.rows.data(), row_bytes, strip_h, strip_x, w, strip_h + 1).width, 0);
  EXPECT_EQ(FrameInStrip(strip.rows.data(), row_bytes, strip_h, 50, w, h).width, 0);
  EXPECT_EQ(FrameInStrip(strip.rows.data(), row_bytes, strip_h, -1, w, h).width, 0);
  EXPECT_TRUE(
      EncodeFrameGif(FrameInStrip(nullptr, row_bytes, strip_h, 0, w, h), table, 0, 0).empty());
}

TEST(ExportFrame, NothingToExportGivesNoBytes) {
  const auto table = RandomTable(1, 16);
  const std::vector<std::uint8_t> px(70000, 1);
  EXPECT_TRUE(EncodeFrameGif({px.data(), 0, 0, 1}, table, 0, 0).empty());
  EXPECT_TRUE(EncodeFrameGif({px.data(), 5, 5, 0}, table, 0, 0).empty());
  EXPECT_TRUE(EncodeFrameGif({nullptr, 5, 5, 1}, table, 0, 0).empty());
  // A side longer than the 16-bit fields of the header cannot be written.
  EXPECT_TRUE(EncodeFrameGif({px.data(), 65536, 65536, 1}, table, 0, 0).empty());
  const Bytes widest = EncodeFrameGif({px.data(), 65535, 65535, 1}, table, 0, 0);
  ASSERT_FALSE(widest.empty());
  EXPECT_EQ(widest[6], 0xFF);
  EXPECT_EQ(widest[7], 0xFF);
}

}  // namespace
}  // namespace veltrano::anigif
