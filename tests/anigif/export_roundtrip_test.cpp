// Exported frames read back by giflib: the same palette indices, colour-table
// entries and transparent index as went in.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "anigif/export_frame.h"
#include "export_frames.h"

namespace veltrano::anigif {
namespace {

using testing::FlatFrame;
using testing::GradientFrame;
using testing::NoiseFrame;
using testing::RandomTable;
using testing::TestFrame;

struct Reader {
  const std::vector<std::uint8_t>* bytes;
  std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* dst, int n) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const std::size_t left = r->bytes->size() - r->pos;
  const std::size_t take = std::min(left, static_cast<std::size_t>(n));
  std::memcpy(dst, r->bytes->data() + r->pos, take);
  r->pos += take;
  return static_cast<int>(take);
}

struct Decoded {
  int width = 0, height = 0;
  std::vector<std::uint8_t> indices;
  std::vector<std::int32_t> colours;  // 0x00RRGGBB
  int transparent = -1;               // NO_TRANSPARENT_COLOR when absent
};

// Decodes a single-image GIF with giflib; fails the test when giflib cannot.
Decoded Decode(const std::vector<std::uint8_t>& bytes) {
  Decoded out;
  Reader reader{&bytes};
  int err = 0;
  GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &err);
  EXPECT_NE(gif, nullptr) << GifErrorString(err);
  if (gif == nullptr) return out;
  const int slurp = DGifSlurp(gif);
  EXPECT_EQ(slurp, GIF_OK) << GifErrorString(gif->Error);
  if (slurp == GIF_OK && gif->ImageCount == 1) {
    const SavedImage& img = gif->SavedImages[0];
    out.width = img.ImageDesc.Width;
    out.height = img.ImageDesc.Height;
    out.indices.assign(img.RasterBits, img.RasterBits + out.width * out.height);
    EXPECT_EQ(gif->SWidth, out.width);
    EXPECT_EQ(gif->SHeight, out.height);
    EXPECT_EQ(img.ImageDesc.ColorMap, nullptr);
    if (gif->SColorMap != nullptr) {
      for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        out.colours.push_back(c.Red << 16 | c.Green << 8 | c.Blue);
      }
    }
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK) out.transparent = gcb.TransparentColor;
  }
  EXPECT_EQ(gif->ImageCount, 1);
  DGifCloseFile(gif, &err);
  return out;
}

void ExpectRoundTrip(const TestFrame& f, int colours, int trans) {
  SCOPED_TRACE(f.name);
  const auto table = RandomTable(static_cast<std::uint32_t>(f.width * 31 + colours), colours);
  const auto bytes = EncodeFrameGif(f.View(), table, trans >= 0 ? 1 : 0,
                                    static_cast<std::uint8_t>(trans >= 0 ? trans : 77));
  const Decoded d = Decode(bytes);
  ASSERT_EQ(d.width, f.width);
  ASSERT_EQ(d.height, f.height);
  ASSERT_EQ(d.colours.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(d.colours[static_cast<std::size_t>(i)],
              i < colours ? table[static_cast<std::size_t>(i)] : 0)
        << "entry " << i;
  }
  EXPECT_EQ(d.transparent, trans >= 0 ? trans : NO_TRANSPARENT_COLOR);
  // Compare whole rows first so that a mismatch names its row.
  for (int y = 0; y < f.height; ++y) {
    const auto row = d.indices.begin() + static_cast<std::ptrdiff_t>(y) * f.width;
    ASSERT_TRUE(
        std::equal(row, row + f.width, f.rows.begin() + static_cast<std::ptrdiff_t>(y) * f.width))
        << "row " << y;
  }
}

TEST(ExportRoundTrip, SmallFramesOfEveryKind) {
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    const int w = 1 + static_cast<int>(seed * 37 % 97);
    const int h = 1 + static_cast<int>(seed * 13 % 41);
    ExpectRoundTrip(NoiseFrame(seed, w, h, 2), 2, -1);
    ExpectRoundTrip(NoiseFrame(seed, w, h, 16), 16, static_cast<int>(seed % 16));
    ExpectRoundTrip(NoiseFrame(seed, w, h, 256), 256, -1);
    ExpectRoundTrip(GradientFrame(seed, w, h), 256, 255);
    ExpectRoundTrip(FlatFrame(w, h, static_cast<std::uint8_t>(seed)), 64, 0);
  }
}

TEST(ExportRoundTrip, LargeFramesAcrossManyClears) {
  ExpectRoundTrip(NoiseFrame(101, 640, 480, 256), 256, -1);
  ExpectRoundTrip(NoiseFrame(102, 1000, 333, 5), 5, 4);
  ExpectRoundTrip(GradientFrame(103, 1920, 1080), 256, -1);
  ExpectRoundTrip(FlatFrame(1920, 1080, 42), 256, 42);
  // Long runs of one index with noise between them: strings grow long, then break.
  TestFrame runs = FlatFrame(777, 555, 3);
  for (std::size_t i = 0; i < runs.rows.size(); i += 1 + i % 1013)
    runs.rows[i] = static_cast<std::uint8_t>(i);
  runs.name = "runs";
  ExpectRoundTrip(runs, 256, -1);
}

TEST(ExportRoundTrip, FrameReadFromABottomUpStrip) {
  // Three frames side by side in a strip of height 40; the middle one is 10 high.
  const int row_bytes = 100, strip_h = 40;
  const TestFrame strip = NoiseFrame(55, row_bytes, strip_h, 256);
  const FramePixels view = FrameInStrip(strip.rows.data(), row_bytes, strip_h, 30, 50, 10);
  const auto table = RandomTable(56, 256);
  const Decoded d = Decode(EncodeFrameGif(view, table, 1, 9));
  ASSERT_EQ(d.width, 50);
  ASSERT_EQ(d.height, 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 50; ++x) {
      ASSERT_EQ(d.indices[static_cast<std::size_t>(y * 50 + x)], strip.At(30 + x, strip_h - 1 - y))
          << x << "," << y;
    }
  }
  EXPECT_EQ(d.transparent, 9);
}

}  // namespace
}  // namespace veltrano::anigif
