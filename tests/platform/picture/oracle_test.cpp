// Our loader against giflib on a corpus generated from fixed seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <string>
#include <vector>

#include "tests/platform/picture/frame_split.h"
#include "tests/testing/gif_writer.h"
#include "tests/platform/picture/giflib_oracle.h"
#include "platform/picture/picture.h"
#include "tests/platform/picture/test_images.h"

namespace veltrano::picture {
namespace {

using namespace testing;

struct Sample {
  std::string name;
  GifSpec desc;
};

int BitsFor(int colors) {
  return std::max(2, static_cast<int>(std::bit_width(unsigned(colors - 1))));
}

FrameSpec RandomFrame(std::mt19937& rng, int colors) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  FrameSpec f;
  f.width = pick(1, 120);
  f.height = pick(1, 90);
  f.left = pick(0, 3) == 0 ? 0 : pick(0, 300);
  f.top = pick(0, 3) == 0 ? 0 : pick(0, 200);
  f.interlaced = pick(0, 2) == 0;
  f.min_code_size = pick(BitsFor(colors), 8);
  const Pattern patterns[] = {Pattern::kNoise, Pattern::kRuns, Pattern::kBlocks, Pattern::kPhoto};
  f.pixels = MakeImage(patterns[pick(0, 3)], f.width, f.height, colors, rng());
  f.control = pick(0, 3) != 0;
  f.disposal = pick(0, 7);
  f.delay = pick(0, 500);
  if (pick(0, 1)) f.transparent = static_cast<std::uint8_t>(pick(0, colors - 1));
  f.lzw.leading_clear = pick(0, 5) != 0;
  f.lzw.defer_clear = pick(0, 2) == 0;
  f.lzw.clear_after_full = f.lzw.defer_clear && pick(0, 1) ? pick(1, 2000) : 0;
  f.lzw.clear_every = pick(0, 6) == 0 ? pick(1, 500) : 0;
  f.block = pick(0, 2) == 0 ? pick(1, 254) : 255;
  return f;
}

// Mixed files: 1 to 4 frames, global and local tables of 2 to 256 colours,
// code sizes up to 8, offsets, interlacing, transparency, every disposal.
std::vector<Sample> RandomCorpus() {
  std::vector<Sample> corpus;
  for (std::uint32_t seed = 1; seed <= 120; ++seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Sample s;
    s.name = "random seed " + std::to_string(seed);
    s.desc.signature = pick(0, 3) == 0 ? "GIF87a" : "GIF89a";
    const int global_colors = pick(0, 4) == 0 ? 0 : pick(2, 256);
    if (global_colors > 0) s.desc.global_table = MakePalette(global_colors, rng());
    s.desc.loops = pick(0, 1) ? std::optional<int>(pick(0, 65535)) : std::nullopt;
    s.desc.comment = pick(0, 1);
    const int frames = pick(1, 4);
    for (int i = 0; i < frames; ++i) {
      const bool local = global_colors == 0 || pick(0, 1);
      const int colors = local ? pick(2, 256) : global_colors;
      FrameSpec f = RandomFrame(rng, colors);
      if (local) f.local_table = MakePalette(colors, rng());
      s.desc.frames.push_back(std::move(f));
    }
    corpus.push_back(std::move(s));
  }
  return corpus;
}

// Images that fill the 4096-entry table, cleared at once, deferred, or never.
std::vector<Sample> FullTableCorpus() {
  std::vector<Sample> corpus;
  struct Variant {
    const char* name;
    bool defer;
    int clear_after;
  };
  for (const Variant& v : {Variant{"immediate clear", false, 0},
                           Variant{"deferred clear", true, 777}, Variant{"no clear", true, 0}}) {
    for (int colors : {2, 16, 256}) {
      Sample s;
      s.name = std::string("full table, ") + v.name + ", " + std::to_string(colors) + " colours";
      s.desc.global_table = MakePalette(colors, 5);
      FrameSpec f;
      f.width = 320;
      f.height = 240;
      f.min_code_size = BitsFor(colors);
      f.pixels = MakeImage(Pattern::kNoise, f.width, f.height, colors, 17u + colors);
      f.lzw.defer_clear = v.defer;
      f.lzw.clear_after_full = v.clear_after;
      if (v.defer) {
        EXPECT_GT(EncodeFrame(f).full_codes, 0u) << s.name;
      }
      s.desc.frames.push_back(std::move(f));
      corpus.push_back(std::move(s));
    }
  }
  return corpus;
}

void ExpectSameFrame(const Picture& ours, const OracleFrame& theirs, const std::string& what) {
  ASSERT_EQ(ours.Width(), theirs.width) << what;
  ASSERT_EQ(ours.Height(), theirs.height) << what;
  EXPECT_TRUE(ours.Complete()) << what;
  ASSERT_TRUE(std::equal(ours.Indices().begin(), ours.Indices().end(), theirs.indices.begin(),
                         theirs.indices.end()))
      << what;
}

// Decodes the whole file (first image) and every frame split out the way the
// GIF control does it, and compares each with giflib and with the source.
void CheckAgainstGiflib(const std::vector<std::uint8_t>& bytes, const GifSpec& desc,
                        const std::string& name) {
  const auto oracle = DecodeWithGiflib(bytes);
  ASSERT_TRUE(oracle.has_value()) << name << ": giflib refused the file";
  ASSERT_EQ(oracle->size(), desc.frames.size()) << name;

  const LoadResult first = LoadPicture(bytes);
  ASSERT_TRUE(first.ok()) << name << " error " << static_cast<int>(first.error);
  ExpectSameFrame(*first.picture, oracle->front(), name + ", whole file");
  const auto palette = first.picture->Palette();
  EXPECT_EQ(std::vector<std::uint32_t>(palette.begin(), palette.end()), oracle->front().palette)
      << name;
  EXPECT_EQ(first.picture->Left(), oracle->front().left) << name;
  EXPECT_EQ(first.picture->Top(), oracle->front().top) << name;

  const auto places = FindFrames(bytes);
  ASSERT_EQ(places.size(), desc.frames.size()) << name;
  for (std::size_t i = 0; i < places.size(); ++i) {
    const std::string what = name + ", frame " + std::to_string(i + 1);
    const auto single = RebuildFrame(bytes, places[i]);
    const LoadResult r = LoadPicture(single);
    ASSERT_TRUE(r.ok()) << what << " error " << static_cast<int>(r.error);
    ExpectSameFrame(*r.picture, (*oracle)[i], what);
    EXPECT_FALSE(r.picture->TransparentIndex().has_value()) << what;
    // The index palette, or as much of it as the frame's local table holds.
    const auto palette = r.picture->Palette();
    ASSERT_EQ(palette.size(), places[i].local_table ? (oracle->at(i).palette.size()) : 256u)
        << what;
    for (std::size_t k = 0; k < palette.size(); ++k) ASSERT_EQ(palette[k], k) << what;
    EXPECT_TRUE(std::equal(r.picture->Indices().begin(), r.picture->Indices().end(),
                           desc.frames[i].pixels.begin(), desc.frames[i].pixels.end()))
        << what << ": differs from the source image";
  }
}

TEST(PictureOracle, MatchesGiflibOnStreamsOfOurWriter) {
  for (const auto& s : RandomCorpus()) CheckAgainstGiflib(WriteGif(s.desc), s.desc, s.name);
  for (const auto& s : FullTableCorpus()) CheckAgainstGiflib(WriteGif(s.desc), s.desc, s.name);
}

TEST(PictureOracle, MatchesGiflibOnStreamsOfGiflibsEncoder) {
  for (const auto& s : RandomCorpus()) {
    const auto bytes = EncodeWithGiflib(s.desc);
    ASSERT_FALSE(bytes.empty()) << s.name;
    CheckAgainstGiflib(bytes, s.desc, s.name + " (giflib encoder)");
  }
}

// Where giflib gives up (it refuses truncated data), the loader keeps every
// pixel of the codes that arrived whole and sets the rest to index 0.
TEST(PictureOracle, TruncatedFilesKeepEveryWholeCode) {
  int giflib_refused = 0;
  for (const auto& s : RandomCorpus()) {
    const FrameSpec& f = s.desc.frames.front();
    const auto bytes = WriteGif(s.desc);
    const auto places = FindFrames(bytes);
    ASSERT_FALSE(places.empty());
    const std::size_t data =
        places[0].start + places[0].length - ToSubBlocks(EncodeFrame(f).bytes, f.block).size();
    const LzwStream stream = EncodeFrame(f);
    std::mt19937 rng(static_cast<std::uint32_t>(bytes.size()));
    for (int k = 0; k < 4; ++k) {
      const std::size_t cut = std::uniform_int_distribution<std::size_t>(
          data, places[0].start + places[0].length - 1)(rng);
      const std::span<const std::uint8_t> head(bytes.data(), cut);
      // LZW bytes present: skip the sub-block length bytes before the cut.
      std::size_t lzw_bytes = 0;
      for (std::size_t pos = data; pos < cut && bytes[pos] != 0;) {
        const std::size_t n = bytes[pos];
        lzw_bytes += std::min(n, cut - pos - 1);
        pos += n + 1;
      }
      const std::string what = s.name + " cut at " + std::to_string(cut);
      const LoadResult r = LoadPicture(head);
      ASSERT_TRUE(r.ok()) << what;
      const auto oracle = DecodeWithGiflib(head);
      if (!oracle) {
        ++giflib_refused;
        const std::size_t decoded = std::min(PixelsWithin(stream, lzw_bytes), f.pixels.size());
        std::vector<std::uint8_t> expected(f.pixels.size(), 0);
        const auto stored = f.interlaced ? InterlaceRows(f.pixels, f.width, f.height) : f.pixels;
        std::copy_n(stored.begin(), decoded, expected.begin());
        std::vector<std::uint8_t> got(r.picture->Indices().begin(), r.picture->Indices().end());
        if (f.interlaced) got = InterlaceRows(got, f.width, f.height);
        ASSERT_EQ(got, expected) << what;
        EXPECT_EQ(r.picture->Complete(), decoded == f.pixels.size()) << what;
      } else {
        ExpectSameFrame(*r.picture, oracle->front(), what);
      }
    }
  }
  EXPECT_GT(giflib_refused, 100);
}

}  // namespace
}  // namespace veltrano::picture
