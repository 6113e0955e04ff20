// The drawing calls the GIF control makes for every frame, at 1280 x 720:
// 8-bit strip to 24-bit canvas and to the 32-bit window surface, the strip
// into the 1-bit mask, the masked SRCAND + SRCPAINT pair (also at the
// banner's 450 x 65), solid fills, HALFTONE stretches, and in-place mirrors.
// Throughput is reported as pixels per second (items_per_second).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>

#include "platform/gdi/gdi.h"

namespace {

using namespace veltrano::gdi;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

class Dib {
 public:
  Dib(int w, int h, int bpp) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = h;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(bpp);
    std::mt19937 rng(static_cast<uint32_t>(w * 31 + h * 7 + bpp));
    for (RGBQUAD& q : bmi.bmiColors) q = ToRgbQuad(rng() & 0xFFFFFF);
    if (bpp == 1) {
      bmi.bmiColors[0] = ToRgbQuad(0);
      bmi.bmiColors[1] = ToRgbQuad(0xFFFFFF);
    }
    dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
    DIBSECTION ds;
    GetObject(bitmap, &ds);
    auto* p = static_cast<uint8_t*>(bits);
    for (size_t i = 0; i < static_cast<size_t>(ds.dsBmih.biSizeImage); ++i)
      p[i] = static_cast<uint8_t>(rng());
  }
  ~Dib() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

void Pixels(benchmark::State& state, int64_t perIteration) {
  state.SetItemsProcessed(state.iterations() * perIteration);
}

void BM_BitBlt8To32(benchmark::State& state) {
  Dib strip(kWidth, kHeight, 8), window(kWidth, kHeight, 32);
  for (auto _ : state) BitBlt(window.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, SRCCOPY);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_BitBlt8To32);

void BM_BitBlt8To24(benchmark::State& state) {
  Dib strip(kWidth, kHeight, 8), canvas(kWidth, kHeight, 24);
  for (auto _ : state) BitBlt(canvas.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, SRCCOPY);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_BitBlt8To24);

// Composed pass: the 1-bit mask with SRCAND, then the 24-bit canvas with
// SRCPAINT, onto the window surface.
void BM_MaskedPairCanvas(benchmark::State& state) {
  Dib mask(kWidth, kHeight, 1), canvas(kWidth, kHeight, 24), window(kWidth, kHeight, 32);
  for (auto _ : state) {
    BitBlt(window.dc, 0, 0, kWidth, kHeight, mask.dc, 0, 0, SRCAND);
    BitBlt(window.dc, 0, 0, kWidth, kHeight, canvas.dc, 0, 0, SRCPAINT);
  }
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MaskedPairCanvas);

// Each half of the composed pass alone.
void BM_MaskAndTo32(benchmark::State& state) {
  Dib mask(kWidth, kHeight, 1), window(kWidth, kHeight, 32);
  for (auto _ : state) BitBlt(window.dc, 0, 0, kWidth, kHeight, mask.dc, 0, 0, SRCAND);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MaskAndTo32);

void BM_CanvasPaintTo32(benchmark::State& state) {
  Dib canvas(kWidth, kHeight, 24), window(kWidth, kHeight, 32);
  for (auto _ : state) BitBlt(window.dc, 0, 0, kWidth, kHeight, canvas.dc, 0, 0, SRCPAINT);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_CanvasPaintTo32);

// The composed pass of the 450 x 65 banner, at an odd offset in the surface.
void BM_MaskedPairBanner(benchmark::State& state) {
  Dib mask(450, 65, 1), canvas(450, 65, 24), window(451, 66, 32);
  for (auto _ : state) {
    BitBlt(window.dc, 1, 1, 450, 65, mask.dc, 0, 0, SRCAND);
    BitBlt(window.dc, 1, 1, 450, 65, canvas.dc, 0, 0, SRCPAINT);
  }
  Pixels(state, int64_t{450} * 65);
}
BENCHMARK(BM_MaskedPairBanner);

// Marking a frame's opaque pixels in the 1-bit mask through the mask table,
// at an unaligned left edge.
void BM_StripToMask(benchmark::State& state) {
  Dib strip(kWidth, kHeight, 8), mask(kWidth + 3, kHeight, 1);
  uint32_t maskTable[256] = {};
  maskTable[5] = 0xFFFFFF;
  SetDIBColorTable(strip.dc, 0, 256, maskTable);
  for (auto _ : state) BitBlt(mask.dc, 3, 0, kWidth, kHeight, strip.dc, 0, 0, SRCAND);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_StripToMask);

// FillRect with a solid brush on the surface, the canvas and the mask.
void BM_FillRect(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  Dib target(kWidth, kHeight, bpp);
  const HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
  const RECT area{1, 0, kWidth, kHeight};
  for (auto _ : state) FillRect(target.dc, &area, brush);
  DeleteObject(brush);
  Pixels(state, int64_t{kWidth - 1} * kHeight);
}
BENCHMARK(BM_FillRect)->Arg(32)->Arg(24)->Arg(1);

// Direct pass of a transparent frame: the 8-bit strip with the mask table
// (SRCAND), then with its colours (SRCPAINT), table switches included.
void BM_MaskedPairStrip(benchmark::State& state) {
  Dib strip(kWidth, kHeight, 8), window(kWidth, kHeight, 32);
  uint32_t maskTable[256] = {}, colours[256];
  maskTable[5] = 0xFFFFFF;
  for (int i = 0; i < 256; ++i) colours[i] = static_cast<uint32_t>(i * 0x010203);
  colours[5] = 0;
  for (auto _ : state) {
    SetDIBColorTable(strip.dc, 0, 256, maskTable);
    BitBlt(window.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, SRCAND);
    SetDIBColorTable(strip.dc, 0, 256, colours);
    BitBlt(window.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, SRCPAINT);
  }
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MaskedPairStrip);

// HALFTONE onto the 1280 x 720 surface from a source of the given size.
void BM_HalftoneStretch(benchmark::State& state) {
  const int sw = static_cast<int>(state.range(0)), sh = static_cast<int>(state.range(1));
  Dib canvas(sw, sh, 24), window(kWidth, kHeight, 32);
  SetStretchBltMode(window.dc, HALFTONE);
  for (auto _ : state)
    StretchBlt(window.dc, 0, 0, kWidth, kHeight, canvas.dc, 0, 0, sw, sh, SRCCOPY);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_HalftoneStretch)->Args({640, 360})->Args({450, 65})->Args({1920, 1080});

// HALFTONE of the 8-bit strip with the masked pair, as a stretched direct
// pass does.
void BM_HalftoneMaskedPairStrip(benchmark::State& state) {
  Dib strip(640, 360, 8), window(kWidth, kHeight, 32);
  SetStretchBltMode(window.dc, HALFTONE);
  for (auto _ : state) {
    StretchBlt(window.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, 640, 360, SRCAND);
    StretchBlt(window.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, 640, 360, SRCPAINT);
  }
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_HalftoneMaskedPairStrip);

void BM_ColorOnColorStretch(benchmark::State& state) {
  Dib strip(640, 360, 8), window(kWidth, kHeight, 32);
  SetStretchBltMode(window.dc, COLORONCOLOR);
  for (auto _ : state)
    StretchBlt(window.dc, 0, 0, kWidth, kHeight, strip.dc, 0, 0, 640, 360, SRCCOPY);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_ColorOnColorStretch);

// Mirroring a frame of the strip in place, both ways.
void BM_MirrorInPlace(benchmark::State& state) {
  Dib strip(kWidth, kHeight, 8);
  for (auto _ : state)
    StretchBlt(strip.dc, 0, 0, kWidth, kHeight, strip.dc, kWidth - 1, kHeight - 1, -kWidth,
               -kHeight, SRCCOPY);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MirrorInPlace);

// Mirroring the 24-bit canvas in place, left to right.
void BM_MirrorCanvasInPlace(benchmark::State& state) {
  Dib canvas(kWidth, kHeight, 24);
  for (auto _ : state)
    StretchBlt(canvas.dc, 0, 0, kWidth, kHeight, canvas.dc, kWidth - 1, 0, -kWidth, kHeight,
               SRCCOPY);
  Pixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_MirrorCanvasInPlace);

}  // namespace

BENCHMARK_MAIN();
