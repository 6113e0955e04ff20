#include "platform/picture/picture_render.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/testing/gif_writer.h"
#include "platform/gdi/gdi.h"
#include "tests/platform/picture/test_images.h"

namespace veltrano::picture {
namespace {

using namespace veltrano::gdi;
using testing::FrameSpec;
using testing::GifSpec;
using testing::MakeImage;
using testing::Pattern;
using testing::WriteGif;

// A memory DC with a DIB section selected, freed at the end of the test.
class Target {
 public:
  Target(int width, int height, int bits, bool index_palette) : height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, like the frame strip
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    if (bits == 8) {
      info.bmiHeader.biClrUsed = 256;
      for (int i = 0; i < 256; ++i) {
        info.bmiColors[i] = index_palette ? RGBQUAD{static_cast<BYTE>(i), 0, 0, 0}
                                          : RGBQUAD{static_cast<BYTE>(255 - i), 9, 9, 0};
      }
    }
    void* bits_ptr = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_ptr);
    bits_ = static_cast<std::uint8_t*>(bits_ptr);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    stride_ = ((width * bits + 31) / 32) * 4;
    bytes_per_pixel_ = bits / 8;
  }
  ~Target() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  bool ok() const { return bitmap_ && dc_ && old_ && bits_ != nullptr; }
  HDC dc() const { return dc_; }
  // Pixel (x, y), y from the top, of an 8-bit target.
  std::uint8_t& Index(int x, int y) { return bits_[Offset(x, y)]; }
  // 0x00RRGGBB of a 32-bit target.
  std::uint32_t Color(int x, int y) const {
    const std::uint8_t* p = bits_ + Offset(x, y);
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
  }
  void Fill(std::uint8_t value) {
    std::fill(bits_, bits_ + static_cast<std::size_t>(stride_) * height_, value);
  }

 private:
  std::size_t Offset(int x, int y) const {
    return static_cast<std::size_t>(height_ - 1 - y) * stride_ + x * bytes_per_pixel_;
  }
  int height_, stride_ = 0, bytes_per_pixel_ = 1;
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_;
  std::uint8_t* bits_ = nullptr;
};

Picture Load(const GifSpec& desc) {
  LoadResult r = LoadPicture(WriteGif(desc));
  EXPECT_TRUE(r.ok());
  return std::move(*r.picture);
}

// A picture as the GIF control's frame builder hands it over: the index
// palette (entry i = blue i) as its colours.
GifSpec IndexPaletteFrame(int width, int height, int colors, std::uint32_t seed) {
  GifSpec desc;
  for (int i = 0; i < 256; ++i) desc.global_table.push_back(static_cast<std::uint32_t>(i));
  FrameSpec f;
  f.width = width;
  f.height = height;
  f.min_code_size = 8;
  f.pixels = MakeImage(Pattern::kNoise, width, height, colors, seed);
  desc.frames.push_back(std::move(f));
  return desc;
}

TEST(PictureRender, WritesIndicesIntoAnIndexPaletteStrip) {
  Target strip(60, 8, 8, true);
  ASSERT_TRUE(strip.ok());
  strip.Fill(0xEE);
  const Picture p = Load(IndexPaletteFrame(20, 6, 256, 1));
  ASSERT_TRUE(Render(p, strip.dc(), 10, 0, 20, 6));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 60; ++x) {
      const bool inside = x >= 10 && x < 30 && y < 6;
      ASSERT_EQ(strip.Index(x, y), inside ? p.Row(y)[x - 10] : 0xEE) << x << "," << y;
    }
  }
}

TEST(PictureRender, IndicesBeyondASmallLocalTableAreKept) {
  // A 4-entry local table holding the first index palette entries, and data
  // that uses index 200 anyway: the strip keeps 200.
  GifSpec desc = IndexPaletteFrame(5, 5, 4, 2);
  desc.frames[0].local_table = {0, 1, 2, 3};
  desc.frames[0].pixels[7] = 200;
  const Picture p = Load(desc);
  Target strip(5, 5, 8, true);
  ASSERT_TRUE(Render(p, strip.dc(), 0, 0, 5, 5));
  EXPECT_EQ(strip.Index(2, 1), 200);
  EXPECT_EQ(strip.Index(0, 0), p.Row(0)[0]);
}

TEST(PictureRender, ClipsToTheTarget) {
  Target strip(10, 4, 8, true);
  strip.Fill(0xEE);
  const Picture p = Load(IndexPaletteFrame(6, 6, 256, 3));
  ASSERT_TRUE(Render(p, strip.dc(), -2, -1, 6, 6));
  EXPECT_EQ(strip.Index(0, 0), p.Row(1)[2]);
  EXPECT_EQ(strip.Index(3, 3), p.Row(4)[5]);
  EXPECT_EQ(strip.Index(4, 0), 0xEE);
  ASSERT_TRUE(Render(p, strip.dc(), 7, 2, 6, 6));
  EXPECT_EQ(strip.Index(9, 3), p.Row(1)[2]);
  EXPECT_EQ(strip.Index(6, 3), 0xEE);
}

TEST(PictureRender, TransparentPixelsAreLeftAlone) {
  GifSpec desc = IndexPaletteFrame(8, 8, 4, 4);
  desc.frames[0].control = true;
  desc.frames[0].transparent = 2;
  const Picture p = Load(desc);
  ASSERT_EQ(p.TransparentIndex(), std::optional<std::uint8_t>(2));

  Target strip(8, 8, 8, true);
  strip.Fill(0xEE);
  ASSERT_TRUE(Render(p, strip.dc(), 0, 0, 8, 8));
  Target rgb(8, 8, 32, false);
  rgb.Fill(0x77);
  ASSERT_TRUE(Render(p, rgb.dc(), 0, 0, 8, 8));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint8_t v = p.Row(y)[x];
      EXPECT_EQ(strip.Index(x, y), v == 2 ? 0xEE : v);
      EXPECT_EQ(rgb.Color(x, y), v == 2 ? 0x777777u : std::uint32_t{v});
    }
  }
}

TEST(PictureRender, DrawsColoursIntoOtherTargets) {
  GifSpec desc;
  desc.global_table = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
  FrameSpec f;
  f.width = 4;
  f.height = 3;
  f.min_code_size = 2;
  f.pixels = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 3, 3};
  desc.frames.push_back(f);
  const Picture p = Load(desc);

  Target rgb(8, 6, 32, false);
  const std::size_t live = LiveObjectCount();
  ASSERT_TRUE(Render(p, rgb.dc(), 0, 0, 4, 3));
  EXPECT_EQ(LiveObjectCount(), live) << "temporary bitmaps or DCs left behind";
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(rgb.Color(x, y), desc.global_table[f.pixels[y * 4 + x]]);
  }
  // Twice the size: every pixel becomes a 2 × 2 block.
  ASSERT_TRUE(Render(p, rgb.dc(), 0, 0, 8, 6));
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(rgb.Color(x, y), desc.global_table[f.pixels[(y / 2) * 4 + x / 2]]);
    }
  }
  // Into an index-palette strip, real colours go through the colour match:
  // blue 255 is entry 255 there, not the picture's index 2.
  Target strip(4, 3, 8, true);
  ASSERT_TRUE(Render(p, strip.dc(), 0, 0, 4, 3));
  EXPECT_EQ(strip.Index(2, 0), 255);
}

TEST(PictureRender, RefusesAMissingDcAndEmptyRectangles) {
  const Picture p = Load(IndexPaletteFrame(3, 3, 4, 5));
  Target strip(3, 3, 8, true);
  EXPECT_FALSE(Render(p, HDC{}, 0, 0, 3, 3));
  EXPECT_FALSE(Render(p, strip.dc(), 0, 0, 0, 3));
  EXPECT_FALSE(Render(p, strip.dc(), 0, 0, 3, 0));
  EXPECT_FALSE(Render(Picture{}, strip.dc(), 0, 0, 3, 3));
}

}  // namespace
}  // namespace veltrano::picture
