// The frame export against giflib's encoder on the same palette indices, in
// one run: the banner's first frame (450 x 65), a photo-like 1920 x 1080 frame
// and a flat 1920 x 1080 frame. Throughput is counted in pixels (one byte
// each); "out_bytes" is the size of the GIF written. After the runs a table
// gives, per frame, our speed and size relative to giflib's.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "anigif/export_frame.h"

namespace {

using veltrano::anigif::ColorTableView;
using veltrano::anigif::EncodeFrameGif;
using veltrano::anigif::kColorTableSlots;

struct Frame {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // top-down rows
  std::vector<std::int32_t> table = std::vector<std::int32_t>(kColorTableSlots, 0);
};

// ---- frames ---------------------------------------------------------------

int ReadFile(GifFileType* gif, GifByteType* dst, int n) {
  return static_cast<int>(
      std::fread(dst, 1, static_cast<std::size_t>(n), static_cast<std::FILE*>(gif->UserData)));
}

// The first frame of the banner, as the control would hold it.
Frame BannerFrame() {
  Frame f{"banner_450x65", 0, 0, {}};
  std::FILE* file = std::fopen(VELTRANO_BANNER_GIF, "rb");
  if (file == nullptr) return f;
  int err = 0;
  GifFileType* gif = DGifOpen(file, ReadFile, &err);
  if (gif != nullptr && DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
    const SavedImage& img = gif->SavedImages[0];
    f.width = img.ImageDesc.Width;
    f.height = img.ImageDesc.Height;
    f.pixels.assign(img.RasterBits, img.RasterBits + f.width * f.height);
    const ColorMapObject* map = img.ImageDesc.ColorMap ? img.ImageDesc.ColorMap : gif->SColorMap;
    for (int i = 0; map != nullptr && i < map->ColorCount; ++i) {
      f.table[static_cast<std::size_t>(i)] =
          map->Colors[i].Red << 16 | map->Colors[i].Green << 8 | map->Colors[i].Blue;
    }
    f.table[256] = map != nullptr ? map->ColorCount : 0;
  }
  if (gif != nullptr) DGifCloseFile(gif, &err);
  std::fclose(file);
  return f;
}

// Smooth shading with fine grain, the way a photograph looks after being cut
// down to 256 colours: long runs are rare, short repeats are common.
Frame PhotoFrame() {
  Frame f{"photo_1920x1080", 1920, 1080, std::vector<std::uint8_t>(1920 * 1080)};
  std::mt19937 rng(20240611);
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const double v = 128 + 60 * std::sin(x / 173.0) * std::cos(y / 97.0) +
                       40 * std::sin((x + 2 * y) / 311.0) + 20 * std::cos(x * y / 90000.0);
      const int grain = static_cast<int>(rng() % 9) - 4;
      f.pixels[static_cast<std::size_t>(y) * f.width + x] =
          static_cast<std::uint8_t>(std::clamp(static_cast<int>(v) + grain, 0, 255));
    }
  }
  for (int i = 0; i < 256; ++i) f.table[static_cast<std::size_t>(i)] = i << 16 | i << 8 | (255 - i);
  f.table[256] = 256;
  return f;
}

Frame FlatFrame() {
  Frame f{"flat_1920x1080", 1920, 1080, std::vector<std::uint8_t>(1920 * 1080, 42)};
  for (int i = 0; i < 256; ++i) f.table[static_cast<std::size_t>(i)] = i * 0x010101;
  f.table[256] = 256;
  return f;
}

// ---- the two encoders -----------------------------------------------------

std::size_t OurExport(const Frame& f) {
  const std::vector<std::uint8_t> gif =
      EncodeFrameGif({f.pixels.data(), f.width, f.width, f.height},
                     ColorTableView(f.table.data(), kColorTableSlots), 0, 0);
  benchmark::DoNotOptimize(gif.data());
  return gif.size();
}

int AppendToVector(GifFileType* gif, const GifByteType* src, int n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), src, src + n);
  return n;
}

// The same stream through giflib: screen descriptor with the 256-entry table,
// one image, the rows through EGifPutLine, written to memory.
std::size_t GiflibExport(const Frame& f, std::vector<std::uint8_t>& out,
                         std::vector<std::uint8_t>& rows) {
  out.clear();
  rows = f.pixels;  // EGifPutLine masks the line in place
  GifColorType colours[256];
  for (int i = 0; i < 256; ++i) {
    const auto c = static_cast<std::uint32_t>(f.table[static_cast<std::size_t>(i)]);
    colours[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                  static_cast<GifByteType>(c)};
  }
  int err = 0;
  GifFileType* gif = EGifOpen(&out, AppendToVector, &err);
  if (gif == nullptr) return 0;
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = EGifPutScreenDesc(gif, f.width, f.height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, f.width, f.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < f.height; ++y) {
    ok = EGifPutLine(gif, rows.data() + static_cast<std::size_t>(y) * f.width, f.width) == GIF_OK;
  }
  EGifCloseFile(gif, &err);
  GifFreeMapObject(map);
  benchmark::DoNotOptimize(out.data());
  return ok ? out.size() : 0;
}

// ---- registration and the comparison table --------------------------------

// The fastest of the repetitions, as an aggregate, so that the comparison
// table can be built when only aggregates are reported.
double Fastest(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

void Register(const Frame& frame) {
  const auto pixels = static_cast<std::int64_t>(frame.width) * frame.height;
  benchmark::RegisterBenchmark(("export/" + frame.name).c_str(),
                               [frame, pixels](benchmark::State& state) {
                                 if (frame.pixels.empty()) {
                                   state.SkipWithError("frame not available");
                                   return;
                                 }
                                 std::size_t size = 0;
                                 for (auto _ : state) size = OurExport(frame);
                                 if (size == 0) state.SkipWithError("export wrote nothing");
                                 state.SetBytesProcessed(state.iterations() * pixels);
                                 state.counters["out_bytes"] = static_cast<double>(size);
                               })
      ->ComputeStatistics("min", Fastest);
  benchmark::RegisterBenchmark(("giflib/" + frame.name).c_str(),
                               [frame, pixels](benchmark::State& state) {
                                 if (frame.pixels.empty()) {
                                   state.SkipWithError("frame not available");
                                   return;
                                 }
                                 std::vector<std::uint8_t> out, rows;
                                 out.reserve(frame.pixels.size() * 2);
                                 std::size_t size = 0;
                                 for (auto _ : state) size = GiflibExport(frame, out, rows);
                                 if (size == 0) state.SkipWithError("giflib wrote nothing");
                                 state.SetBytesProcessed(state.iterations() * pixels);
                                 state.counters["out_bytes"] = static_cast<double>(size);
                               })
      ->ComputeStatistics("min", Fastest);
}

// Prints the usual console lines and remembers, per benchmark, the fastest
// repetition and its output size: from the repetitions themselves, or from
// their "min" aggregate when only aggregates are reported.
class CompareReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool fastest = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
      if (run.run_type != Run::RT_Iteration && !fastest) continue;
      const std::string name = run.run_name.function_name;
      const double t = run.GetAdjustedCPUTime();
      auto& best = best_[name];
      if (best.time == 0 || t < best.time) best.time = t;
      const auto size = run.counters.find("out_bytes");
      if (size != run.counters.end()) best.size = size->second.value;
    }
  }

  void PrintComparison(const std::vector<std::string>& frames) const {
    std::printf("\n%-18s %14s %14s %12s %12s %9s %9s\n", "frame", "export (ms)", "giflib (ms)",
                "export (B)", "giflib (B)", "speed", "size");
    for (const std::string& f : frames) {
      const auto ours = best_.find("export/" + f);
      const auto peer = best_.find("giflib/" + f);
      if (ours == best_.end() || peer == best_.end()) continue;
      // CPU time is reported in the benchmark's unit, nanoseconds by default.
      std::printf("%-18s %14.3f %14.3f %12.0f %12.0f %8.2fx %8.3fx\n", f.c_str(),
                  ours->second.time / 1e6, peer->second.time / 1e6, ours->second.size,
                  peer->second.size, peer->second.time / ours->second.time,
                  ours->second.size / peer->second.size);
    }
    std::printf(
        "speed = giflib time / export time (target >= 1.5); "
        "size = export bytes / giflib bytes (target <= 1.05)\n");
  }

 private:
  struct Best {
    double time = 0;
    double size = 0;
  };
  std::map<std::string, Best> best_;
};

}  // namespace

int main(int argc, char** argv) {
  const Frame frames[] = {BannerFrame(), PhotoFrame(), FlatFrame()};
  std::vector<std::string> names;
  for (const Frame& f : frames) {
    Register(f);
    names.push_back(f.name);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CompareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintComparison(names);
  benchmark::Shutdown();
  return 0;
}
