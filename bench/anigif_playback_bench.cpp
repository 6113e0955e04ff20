// Per-frame playback cost of the animated GIF control against decoding the
// frame again from the file each time (what a player that keeps no decoded
// frames does for every frame it shows), in one run.
//
//   Playback/<anim>_<unscaled|halftone>: RenderFrame of the frames in order,
//       composing and drawing each onto a 32-bit surface (stretched 1.5x with
//       HALFTONE in the second case), after two whole loops: what a playing
//       animation costs once the control keeps its drawings
//   SecondLoop/<anim>_<unscaled|halftone>: per frame of the second loop
//       after a load, the one in which those drawings are made
//   Decode/<anim>: decoding each frame's own single-frame GIF stream into
//       palette indices (no colours, no composition: a lower bound of what a
//       decoding player pays); DecodeFirst: the first frame, 1280 x 720, only
//   loop_banner: one whole loop of the banner drawn; loop_ms is the time the
//       loop lasts on screen, so time / loop_ms is the control's share of one
//       core while the banner plays at its own speed.
//
// Animations: the banner (assets/banner.gif, 450 x 65, 15 frames) and a
// generated 1280 x 720 animation of 8 photo-like frames, the later ones
// partial and transparent, written with the control's own GIF encoder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "anigif/export_frame.h"
#include "anigif/gif_parser.h"
#include "anigif/uc_ani_gif.h"
#include "anigif/uc_ani_gif_internals.h"
#include "platform/host/headless_control_host.h"
#include "platform/picture/picture.h"

namespace {

using veltrano::anigif::ByteArrayArg;
using veltrano::anigif::GifData;
using veltrano::anigif::GifParser;
using veltrano::anigif::ucAniGIF;
using veltrano::anigif::ucAniGIFInternals;
using Bytes = std::vector<uint8_t>;

struct Animation {
  Bytes gif;
  std::vector<Bytes> singleFrames;  // each frame as a GIF of its own
  int width = 0;
  int height = 0;
};

// Splits an animation into single-frame streams: the file's header and
// global table, the frame's graphic control extension and image block.
std::vector<Bytes> SplitFrames(const Bytes& gif) {
  GifData d;
  d.GifBytes = gif;
  d.Pow2 = {1, 2, 4, 8, 16, 32, 64, 128, 256};
  const int n = GifParser(d).ParseGif();
  size_t headerEnd = 13;
  if (gif.size() > 10 && (gif[10] & 0x80)) headerEnd += 3u << ((gif[10] & 7) + 1);
  std::vector<Bytes> frames;
  for (int i = 1; i <= n; ++i) {
    const auto& f = d.Frame(i);
    const auto& b = d.Block(i);
    Bytes one(gif.begin(), gif.begin() + static_cast<long>(headerEnd));
    if (f.StripX != b.Start)
      one.insert(one.end(), gif.begin() + f.StripX - 1, gif.begin() + f.StripX + 7);
    one.insert(one.end(), gif.begin() + b.Start - 1, gif.begin() + b.Start - 1 + b.Length);
    one.push_back(0x3B);
    frames.push_back(std::move(one));
  }
  return frames;
}

Animation Banner() {
  Animation a;
  std::ifstream in(VELTRANO_BANNER_GIF, std::ios::binary);
  a.gif.assign(std::istreambuf_iterator<char>(in), {});
  a.singleFrames = SplitFrames(a.gif);
  a.width = 450;
  a.height = 65;
  return a;
}

// A photo-like picture: smooth light and shade with fine grain, 256 colours.
std::vector<uint8_t> PhotoPixels(int w, int h, int seed) {
  std::mt19937 rng(static_cast<unsigned>(seed));
  std::uniform_int_distribution<int> grain(-6, 6);
  std::vector<uint8_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double v = 128 + 60 * std::sin(x * 0.011 + seed) * std::cos(y * 0.017) +
                       40 * std::sin((x + y) * 0.005 + seed * 0.7);
      px[static_cast<size_t>(y) * w + x] =
          static_cast<uint8_t>(std::clamp(static_cast<int>(v) + grain(rng), 0, 255));
    }
  }
  return px;
}

// 1280 x 720, 8 frames: a full first frame, then 7 partial frames of 640 x 360
// with transparent holes, disposal 1, 40 ms each.
Animation Big() {
  constexpr int kW = 1280, kH = 720, kFrames = 8;
  std::vector<int32_t> table(257, 0);
  for (int i = 0; i < 256; ++i)
    table[static_cast<size_t>(i)] = (i << 16) | ((255 - i) << 8) | (i / 2);
  table[256] = 256;
  Animation a;
  a.width = kW;
  a.height = kH;
  for (int k = 0; k < kFrames; ++k) {
    const int w = k == 0 ? kW : kW / 2, h = k == 0 ? kH : kH / 2;
    const int left = k == 0 ? 0 : (k * 80) % (kW - w), top = k == 0 ? 0 : (k * 45) % (kH - h);
    std::vector<uint8_t> px = PhotoPixels(w, h, k);
    if (k > 0) {
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          if (((x / 40) + (y / 40)) % 3 == 0) px[static_cast<size_t>(y) * w + x] = 0;
        }
      }
    }
    veltrano::anigif::FramePixels view{px.data(), w, w, h};
    Bytes one = veltrano::anigif::EncodeFrameGif(
        view, veltrano::anigif::ColorTableView(table.data(), 257), k > 0 ? 1 : 0, 0);
    // Place the frame and give it its timing: left, top in the descriptor,
    // disposal 1 and 40 ms in the control extension.
    GifData d;
    d.GifBytes = one;
    d.Pow2 = {1, 2, 4, 8, 16, 32, 64, 128, 256};
    GifParser(d).ParseGif();
    const auto b = d.Block(1);
    one[static_cast<size_t>(b.Start)] = static_cast<uint8_t>(left);
    one[static_cast<size_t>(b.Start) + 1] = static_cast<uint8_t>(left >> 8);
    one[static_cast<size_t>(b.Start) + 2] = static_cast<uint8_t>(top);
    one[static_cast<size_t>(b.Start) + 3] = static_cast<uint8_t>(top >> 8);
    Bytes block;
    if (k > 0) {
      block = {0x21, 0xF9, 4, 0x05, 4, 0, 0, 0};
    } else {
      block = {0x21, 0xF9, 4, 0x04, 4, 0, 0, 0};
    }
    block.insert(block.end(), one.begin() + b.Start - 1, one.begin() + b.Start - 1 + b.Length);
    if (k == 0) {
      a.gif.assign(one.begin(), one.begin() + 13 + 768);
      a.gif[6] = kW & 0xFF;
      a.gif[7] = kW >> 8;
      a.gif[8] = kH & 0xFF;
      a.gif[9] = kH >> 8;
    }
    a.gif.insert(a.gif.end(), block.begin(), block.end());
    Bytes single(one.begin(), one.begin() + 13 + 768);
    single.insert(single.end(), block.begin(), block.end());
    single.push_back(0x3B);
    a.singleFrames.push_back(std::move(single));
  }
  a.gif.push_back(0x3B);
  return a;
}

const Animation& Get(int which) {
  static const Animation banner = Banner();
  static const Animation big = Big();
  return which == 0 ? banner : big;
}

// A loaded control, every frame decoded, its clock stopped, drawing onto the
// host's surface.
struct Player {
  veltrano::host::VirtualClock clock;
  veltrano::host::HeadlessControlHost host{clock, true};
  std::unique_ptr<ucAniGIF> control;

  Player(const Animation& a, bool stretched) {
    host.Resize(stretched ? a.width * 3 / 2 : a.width, stretched ? a.height * 3 / 2 : a.height);
    control = std::make_unique<ucAniGIF>(host);
    control->SetStretch(2);
    control->SetDelayAnimation(0);
    if (!control->LoadAnimatedGIF_Array(ByteArrayArg::Of(a.gif))) return;
    control->SetAction(0);  // stopped; frames are drawn by the benchmark
    host.RepaintNow();      // makes the surface
  }
};

void Playback(benchmark::State& state, int which, bool stretched) {
  const Animation& a = Get(which);
  Player p(a, stretched);
  const int n = p.control->FrameCount();
  if (n == 0) {
    state.SkipWithError("the animation did not load");
    return;
  }
  for (int k = 0; k < 2 * n; ++k) {
    ucAniGIFInternals::RenderFrame(*p.control, k % n + 1, p.host.SurfaceDC());
  }
  int i = 0;
  for (auto _ : state) {
    ucAniGIFInternals::RenderFrame(*p.control, i % n + 1, p.host.SurfaceDC());
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["px"] = static_cast<double>(p.host.SurfaceWidth()) * p.host.SurfaceHeight();
}

void SecondLoop(benchmark::State& state, int which, bool stretched) {
  const Animation& a = Get(which);
  int n = 0;
  std::unique_ptr<Player> p;
  for (auto _ : state) {
    state.PauseTiming();
    p.reset();  // the last one goes outside the timing too
    p = std::make_unique<Player>(a, stretched);
    n = p->control->FrameCount();
    for (int k = 1; k <= n; ++k) ucAniGIFInternals::RenderFrame(*p->control, k, p->host.SurfaceDC());
    state.ResumeTiming();
    for (int k = 1; k <= n; ++k) ucAniGIFInternals::RenderFrame(*p->control, k, p->host.SurfaceDC());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void Decode(benchmark::State& state, int which) {
  const Animation& a = Get(which);
  size_t i = 0;
  for (auto _ : state) {
    auto r = veltrano::picture::LoadPicture(a.singleFrames[i % a.singleFrames.size()]);
    benchmark::DoNotOptimize(r);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}

// Decoding only the first (full-size) frame, again and again.
void DecodeFirst(benchmark::State& state, int which) {
  const Animation& a = Get(which);
  for (auto _ : state) {
    auto r = veltrano::picture::LoadPicture(a.singleFrames.front());
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}

void BannerLoop(benchmark::State& state) {
  const Animation& a = Get(0);
  Player p(a, false);
  const int n = p.control->FrameCount();
  double loopMs = 0;
  for (int k = 1; k <= n; ++k) loopMs += ucAniGIFInternals::FrameInterval(*p.control, k);
  for (auto _ : state) {
    for (int k = 1; k <= n; ++k) ucAniGIFInternals::RenderFrame(*p.control, k, p.host.SurfaceDC());
  }
  state.counters["loop_ms"] = loopMs;
}

BENCHMARK_CAPTURE(Playback, banner_unscaled, 0, false);
BENCHMARK_CAPTURE(Playback, banner_halftone, 0, true);
BENCHMARK_CAPTURE(Decode, banner, 0);
BENCHMARK_CAPTURE(Playback, 1280x720_unscaled, 1, false);
BENCHMARK_CAPTURE(Playback, 1280x720_halftone, 1, true);
BENCHMARK_CAPTURE(Decode, 1280x720, 1);
BENCHMARK_CAPTURE(SecondLoop, banner_unscaled, 0, false);
BENCHMARK_CAPTURE(SecondLoop, banner_halftone, 0, true);
BENCHMARK_CAPTURE(SecondLoop, 1280x720_unscaled, 1, false);
BENCHMARK_CAPTURE(SecondLoop, 1280x720_halftone, 1, true);
BENCHMARK_CAPTURE(DecodeFirst, 1280x720_full_frame, 1);
BENCHMARK(BannerLoop)->Name("loop_banner");

}  // namespace

BENCHMARK_MAIN();
