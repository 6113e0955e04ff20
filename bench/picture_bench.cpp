// The picture loader against giflib (DGifSlurp) and stb_image
// (stbi_load_gif_from_memory), on the same GIF bytes in memory.
//
// Inputs, generated once from fixed seeds (giflib's encoder writes them):
//   banner      450 × 65, 30 frames, one global table
//   animation   500 × 500, 200 frames, a local table on every frame
//   photo       1920 × 1080, one frame of photo-like content
//   photo_tiles the photo as 120 frames of 480 × 270 (its 16 tiles, 7.5 times)
//   interlaced  1024 × 768, one interlaced frame
//   asset       the program's own banner (assets/banner.gif), when present
//
// For several frames our side does what the GIF control does per frame:
// rebuild a single-frame GIF and load it. control/<input> is the whole load
// through the GIF control itself. Every figure is normalised by the
// pixels decoded (the sum of the frames' areas), the same for all three,
// and by the LZW codes those pixels took: the animation's small frames hold
// more detail per pixel than the photo, so they take more codes per pixel.
//
// Before the timings, the peak heap use of our loads is printed against the
// size of their output.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <malloc.h>
#include <stb/stb_image.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "anigif/uc_ani_gif.h"
#include "tests/platform/picture/frame_split.h"
#include "tests/testing/gif_writer.h"
#include "tests/platform/picture/giflib_oracle.h"
#include "platform/host/headless_control_host.h"
#include "platform/picture/picture.h"
#include "tests/platform/picture/test_images.h"

// ---- Heap accounting for our loader (it allocates with new) --------------

namespace {
std::atomic<long long> g_heap_now{0};
std::atomic<long long> g_heap_peak{0};

void* CountedAlloc(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p == nullptr) throw std::bad_alloc();
  const long long now = g_heap_now += static_cast<long long>(malloc_usable_size(p));
  long long peak = g_heap_peak.load();
  while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void CountedFree(void* p) {
  if (p == nullptr) return;
  g_heap_now -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(std::size_t n) {
  return CountedAlloc(n);
}
void* operator new[](std::size_t n) {
  return CountedAlloc(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(n);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(n);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept {
  CountedFree(p);
}
void operator delete[](void* p) noexcept {
  CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
  CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  CountedFree(p);
}

namespace {

using namespace veltrano::picture;
using namespace veltrano::picture::testing;

struct Input {
  std::string name;
  std::vector<std::uint8_t> bytes;
  std::vector<FramePlace> frames;
  std::size_t pixels = 0;  // sum of the frames' areas
  std::size_t codes = 0;   // LZW codes that yield pixels, over all frames
};

std::vector<Input>& Inputs() {
  static std::vector<Input> inputs;
  return inputs;
}

// A banner: a horizontal gradient with flat "lettering" and a bright band
// that moves a little further on every frame.
GifSpec Banner() {
  GifSpec desc;
  desc.global_table = MakePalette(64, 1);
  const auto letters = MakeImage(Pattern::kBlocks, 450, 65, 4, 2);
  for (int f = 0; f < 30; ++f) {
    FrameSpec frame;
    frame.width = 450;
    frame.height = 65;
    frame.control = true;
    frame.delay = 6;
    frame.disposal = 1;
    frame.pixels.resize(450 * 65);
    for (int y = 0; y < 65; ++y) {
      for (int x = 0; x < 450; ++x) {
        int c = x * 24 / 450;
        if (letters[y * 450 + x] == 3) c = 40 + (y / 8);
        if (std::abs(x - y / 2 - f * 16) < 10) c += 16;
        frame.pixels[y * 450 + x] = static_cast<std::uint8_t>(c & 63);
      }
    }
    desc.frames.push_back(std::move(frame));
  }
  return desc;
}

GifSpec Animation() {
  GifSpec desc;
  for (int f = 0; f < 200; ++f) {
    FrameSpec frame;
    frame.width = 500;
    frame.height = 500;
    frame.local_table = MakePalette(256, 100 + f);
    frame.pixels = MakeImage(Pattern::kPhoto, 500, 500, 256, 1000 + f);
    desc.frames.push_back(std::move(frame));
  }
  return desc;
}

GifSpec Still(int width, int height, bool interlaced, std::uint32_t seed) {
  GifSpec desc;
  desc.global_table = MakePalette(256, seed);
  FrameSpec frame;
  frame.width = width;
  frame.height = height;
  frame.interlaced = interlaced;
  frame.pixels = MakeImage(Pattern::kPhoto, width, height, 256, seed);
  desc.frames.push_back(std::move(frame));
  return desc;
}

// The photo cut into 16 tiles of 480 x 270, each at its place, played as a
// 120-frame animation: the same pixels as the photo, so that what a frame
// costs beyond its pixels shows up in the figure per pixel.
GifSpec PhotoTiles() {
  const GifSpec photo = Still(1920, 1080, false, 7);
  const std::vector<std::uint8_t>& all = photo.frames[0].pixels;
  GifSpec desc;
  desc.global_table = photo.global_table;
  for (int f = 0; f < 120; ++f) {
    FrameSpec frame;
    frame.left = (f % 4) * 480;
    frame.top = ((f / 4) % 4) * 270;
    frame.width = 480;
    frame.height = 270;
    frame.control = true;
    frame.delay = 4;
    frame.disposal = 1;
    frame.pixels.resize(480 * 270);
    for (int y = 0; y < 270; ++y) {
      std::memcpy(frame.pixels.data() + y * 480,
                  all.data() + static_cast<std::size_t>(frame.top + y) * 1920 + frame.left, 480);
    }
    desc.frames.push_back(std::move(frame));
  }
  return desc;
}

// The LZW codes of one frame's image data that yield pixels (not clears or
// the end code). Decoding costs about the same per code whatever the image,
// so codes per pixel tell how dense an input is.
std::size_t CountCodes(std::span<const std::uint8_t> image) {
  std::size_t at = 10;  // the image descriptor, then any local table
  if (image[9] & 0x80) at += std::size_t{3} << ((image[9] & 7) + 1);
  const unsigned min_size = image[at++];
  const unsigned clear = 1u << min_size;
  unsigned width = min_size + 1, next = clear + 2;
  bool have_prev = false;
  std::uint64_t bits = 0;
  unsigned nbits = 0;
  std::size_t block = 0, codes = 0;
  for (;;) {
    while (nbits < width) {
      if (block == 0) {
        if (at >= image.size() || image[at] == 0) return codes;
        block = image[at++];
      }
      bits |= std::uint64_t{image[at++]} << nbits;
      nbits += 8;
      --block;
    }
    const unsigned code = static_cast<unsigned>(bits) & ((1u << width) - 1);
    bits >>= width;
    nbits -= width;
    if (code == clear) {
      width = min_size + 1;
      next = clear + 2;
      have_prev = false;
      continue;
    }
    if (code == clear + 1) return codes;
    ++codes;
    if (have_prev && next < 4096 && ++next == (1u << width) && width < 12) ++width;
    have_prev = true;
  }
}

void AddInput(std::string name, std::vector<std::uint8_t> bytes) {
  Input in;
  in.name = std::move(name);
  in.bytes = std::move(bytes);
  in.frames = FindFrames(in.bytes);
  for (const auto& f : in.frames) {
    const std::uint8_t* d = in.bytes.data() + f.start;
    in.pixels += static_cast<std::size_t>(d[5] | (d[6] << 8)) * (d[7] | (d[8] << 8));
    in.codes += CountCodes(std::span<const std::uint8_t>(d, f.length));
  }
  Inputs().push_back(std::move(in));
}

// Our loader, frame by frame as the control does it: one buffer for the
// rebuilt stream and one picture per load, each frame decoded into it.
// Returns the pixels decoded (0 if any frame failed).
std::size_t LoadEveryFrame(const Input& in, std::vector<std::uint8_t>& rebuilt) {
  std::size_t pixels = 0;
  if (in.frames.size() == 1) {
    const LoadResult r = LoadPicture(in.bytes);
    return r.ok() ? r.picture->PixelCount() : 0;
  }
  Picture picture;
  for (const auto& f : FindFrames(in.bytes)) {  // the control parses once per load too
    RebuildFrameInto(in.bytes, f, rebuilt);
    if (LoadPictureInto(rebuilt, picture) != LoadError::kNone) return 0;
    benchmark::DoNotOptimize(picture.Indices().data());
    pixels += picture.PixelCount();
  }
  return pixels;
}

void SetCounters(benchmark::State& state, const Input& in) {
  // Seconds per decoded pixel: shown with an SI prefix, "4.2n" is 4.2 ns.
  state.counters["s/px"] = benchmark::Counter(
      static_cast<double>(in.pixels),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["MB"] = static_cast<double>(in.bytes.size()) / 1e6;
  // Seconds per code, and how many codes each pixel took.
  state.counters["s/code"] = benchmark::Counter(
      static_cast<double>(in.codes),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["codes/px"] = static_cast<double>(in.codes) / static_cast<double>(in.pixels);
}

void BM_Veltrano(benchmark::State& state, const Input* in) {
  std::vector<std::uint8_t> rebuilt;
  for (auto _ : state) {
    if (LoadEveryFrame(*in, rebuilt) != in->pixels) state.SkipWithError("load failed");
  }
  SetCounters(state, *in);
}

// The whole load through the GIF control, as the program's banner loads:
// run mode, every frame decoded during the load (frame strip, composition
// bitmaps and all), on a headless host. Same inputs, same pixel count.
void BM_Control(benchmark::State& state, const Input* in) {
  veltrano::host::VirtualClock clock;
  veltrano::host::HeadlessControlHost host(clock, true);
  veltrano::anigif::ucAniGIF control(host);
  control.SetDelayAnimation(0);  // every frame decoded inside the load call
  const veltrano::anigif::ByteArrayArg array = veltrano::anigif::ByteArrayArg::Of(in->bytes);
  for (auto _ : state) {
    if (!control.LoadAnimatedGIF_Array(array) ||
        control.FrameCount() != static_cast<int>(in->frames.size())) {
      state.SkipWithError("the control did not load");
    }
    benchmark::DoNotOptimize(control.Store().StripBits);
  }
  SetCounters(state, *in);
}

struct MemorySource {
  const Input* in;
  std::size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* out, int n) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  const std::size_t left = src->in->bytes.size() - src->pos;
  const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), left);
  std::memcpy(out, src->in->bytes.data() + src->pos, k);
  src->pos += k;
  return static_cast<int>(k);
}

void BM_Giflib(benchmark::State& state, const Input* in) {
  for (auto _ : state) {
    MemorySource src{in, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&src, ReadGif, &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
    if (gif != nullptr) {
      benchmark::DoNotOptimize(gif->SavedImages);
      DGifCloseFile(gif, &error);
    }
  }
  SetCounters(state, *in);
}

void BM_Stb(benchmark::State& state, const Input* in) {
  for (auto _ : state) {
    int* delays = nullptr;
    int x = 0, y = 0, z = 0, comp = 0;
    stbi_uc* px = stbi_load_gif_from_memory(in->bytes.data(), static_cast<int>(in->bytes.size()),
                                            &delays, &x, &y, &z, &comp, 4);
    if (px == nullptr) state.SkipWithError("stb_image failed");
    benchmark::DoNotOptimize(px);
    stbi_image_free(px);
    stbi_image_free(delays);
  }
  SetCounters(state, *in);
}

// Peak heap of one picture load, above what was in use before it, against
// the picture's own indices (width × height bytes).
void PrintMemory() {
  std::printf("Peak heap of a load against its output (our loader only)\n");
  std::printf("%-12s %14s %14s %9s\n", "input", "output bytes", "peak bytes", "ratio");
  for (const auto& in : Inputs()) {
    double worst = 0;
    long long worst_peak = 0;
    std::size_t worst_out = 0;
    for (const auto& f : in.frames) {
      const std::vector<std::uint8_t> single =
          in.frames.size() == 1 ? in.bytes : RebuildFrame(in.bytes, f);
      const long long base = g_heap_now.load();
      g_heap_peak = base;
      const LoadResult r = LoadPicture(single);
      const long long peak = g_heap_peak.load() - base;
      if (!r.ok()) continue;
      const double ratio = static_cast<double>(peak) / static_cast<double>(r.picture->PixelCount());
      if (ratio > worst) {
        worst = ratio;
        worst_peak = peak;
        worst_out = r.picture->PixelCount();
      }
    }
    std::printf("%-12s %14zu %14lld %9.4f  (worst frame)\n", in.name.c_str(), worst_out, worst_peak,
                worst);
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  AddInput("banner", EncodeWithGiflib(Banner()));
  AddInput("animation", EncodeWithGiflib(Animation()));
  AddInput("photo", EncodeWithGiflib(Still(1920, 1080, false, 7)));
  AddInput("photo_tiles", EncodeWithGiflib(PhotoTiles()));
  AddInput("interlaced", EncodeWithGiflib(Still(1024, 768, true, 8)));
#ifdef VELTRANO_BANNER_ASSET
  std::ifstream asset(VELTRANO_BANNER_ASSET, std::ios::binary);
  if (asset) {
    AddInput("asset", std::vector<std::uint8_t>((std::istreambuf_iterator<char>(asset)),
                                                std::istreambuf_iterator<char>()));
  }
#endif
  PrintMemory();
  for (const auto& in : Inputs()) {
    benchmark::RegisterBenchmark(("veltrano/" + in.name).c_str(), BM_Veltrano, &in);
    benchmark::RegisterBenchmark(("control/" + in.name).c_str(), BM_Control, &in);
    benchmark::RegisterBenchmark(("giflib/" + in.name).c_str(), BM_Giflib, &in);
    benchmark::RegisterBenchmark(("stb/" + in.name).c_str(), BM_Stb, &in);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
