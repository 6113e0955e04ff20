// The AnimatedGIF picture of every frame of the loader's sample corpus and
// of the banner, read back by giflib: the same palette indices as the frame
// strip holds, the frame's colour table in a 256-entry global table, and the
// same transparent index.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

namespace fs = std::filesystem;

struct MemoryReader {
  const std::vector<uint8_t>* bytes;
  size_t pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* dst, int n) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const size_t take = std::min(r->bytes->size() - r->pos, static_cast<size_t>(n));
  std::memcpy(dst, r->bytes->data() + r->pos, take);
  r->pos += take;
  return static_cast<int>(take);
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void ExpectGiflibReadsFrame(const ControlFixture& fx, int k) {
  SCOPED_TRACE(::testing::Message() << "frame " << k);
  const host::PictureRef p = fx.control.AnimatedGIF();
  ASSERT_NE(p, nullptr);
  MemoryReader reader{&p->gifBytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadMemory, &error);
  ASSERT_NE(gif, nullptr) << error;
  ASSERT_EQ(DGifSlurp(gif), GIF_OK) << gif->Error;
  ASSERT_EQ(gif->ImageCount, 1);

  const FrameStore& store = fx.control.Store();
  const FrameInfo& f = store.Frame(k);
  const SavedImage& image = gif->SavedImages[0];
  EXPECT_EQ(image.ImageDesc.Width, f.Width);
  EXPECT_EQ(image.ImageDesc.Height, f.Height);
  const std::vector<uint8_t> got(image.RasterBits,
                                 image.RasterBits + static_cast<size_t>(f.Width) * f.Height);
  EXPECT_EQ(got, fx.FrameIndices(k));

  ASSERT_NE(gif->SColorMap, nullptr);
  ASSERT_EQ(gif->SColorMap->ColorCount, 256);
  const ColorTable& table = store.ColorTables[static_cast<size_t>(f.ColorTable)];
  for (int i = 0; i < 256; ++i) {
    const uint32_t want = i < table[kColorCountSlot] ? static_cast<uint32_t>(table[i]) : 0u;
    const GifColorType& c = gif->SColorMap->Colors[i];
    ASSERT_EQ((uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue, want) << "entry " << i;
  }
  GraphicsControlBlock gcb;
  const bool hasGcb = DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK;
  const int transparent = hasGcb ? gcb.TransparentColor : NO_TRANSPARENT_COLOR;
  EXPECT_EQ(transparent, f.TransFlag == 1 ? f.TransIndex : NO_TRANSPARENT_COLOR);
  DGifCloseFile(gif, &error);
}

TEST(AnimatedGIFCorpus, EveryFrameReadsBackThroughGiflib) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(VELTRANO_PICTURE_CORPUS)) {
    if (entry.path().extension() == ".gif") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  files.push_back(VELTRANO_BANNER_GIF);
  ASSERT_GT(files.size(), 10u);
  int exported = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    ControlFixture fx;
    fx.control.SetDelayAnimation(2);        // every frame decoded at once, none played
    if (!fx.Load(ReadAll(file))) continue;  // the corpus holds broken files too
    for (int k = 1; k <= fx.control.FrameCount(); ++k) {
      while (fx.control.CurrentFrame() != k) fx.control.SetAction(3);
      ExpectGiflibReadsFrame(fx, k);
      ++exported;
    }
  }
  EXPECT_GT(exported, 20);
}

}  // namespace
}  // namespace veltrano::anigif::testing
