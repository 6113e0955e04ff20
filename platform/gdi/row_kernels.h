// Row kernels for unscaled transfers: each reads a span of a source row and
// applies the raster operation straight onto the destination row, with the
// depths, direction and operation settled once per transfer. They cover what
// the GIF control draws on every frame (8-bit strip into the 24-bit canvas,
// the 1-bit mask and the 32-bit surface; the mask and the canvas onto the
// surface; its kept 32-bit drawings onto the surface; mirroring the strip and
// the canvas in place) and give exactly the
// pixels the general read-then-store path gives.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/pixel_rows.h"

namespace veltrano::gdi::detail {

class RowKernel {
 public:
  // Picks the kernel for src -> dst with rop, the span read right to left
  // when reversed. lut holds the destination value of each source index
  // (indexed sources). False when no kernel covers the combination.
  bool Choose(const Bitmap& src, const Bitmap& dst, Rop rop, bool reversed, const uint32_t* lut);

  // Source pixels srcX .. srcX + n - 1 of srcRow (taken from the right end
  // when reversed) onto destination pixels dstX .. dstX + n - 1 of dstRow.
  void Run(const uint8_t* srcRow, int srcX, uint8_t* dstRow, int dstX, int n) const {
    fn_(*this, srcRow, srcX, dstRow, dstX, n);
  }

  // Destination values, per source index.
  uint32_t lut[256] = {};
  // The low bit of each lut entry (8-bit source into 1 bit).
  uint8_t lutBit[256] = {};
  // For a 1-bit source into colour: the 8 values one source byte gives.
  std::unique_ptr<uint32_t[]> expand;
  bool simd = false;  // SSSE3
  bool avx2 = false;

  using Fn = void (*)(const RowKernel&, const uint8_t*, int, uint8_t*, int, int);

 private:
  Fn fn_ = nullptr;
};

// Which kernels transfers and fills use: 0 none (every transfer reads into a
// buffer of values and stores it, every fill goes pixel by pixel), 1 portable
// kernels, 2 also the processor's vector instructions where present (the
// default). Lets tests compare the paths.
void SetRowKernelLevel(int level);
int RowKernelLevel();

}  // namespace veltrano::gdi::detail
