#include "platform/gdi/bitmap.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace veltrano::gdi::detail {

namespace {

constexpr int64_t kMaxImageBytes = std::numeric_limits<int32_t>::max();

bool SupportedDepth(int bpp) {
  return bpp == 1 || bpp == 8 || bpp == 24 || bpp == 32;
}

void LoadTable(Bitmap& b, const BITMAPINFOHEADER& h, const RGBQUAD* colors) {
  if (!b.Indexed()) return;
  b.tableSize = b.bpp == 1 ? 2 : 256;
  if (!colors) return;
  uint32_t used = h.biClrUsed == 0 ? static_cast<uint32_t>(b.tableSize) : h.biClrUsed;
  if (used > static_cast<uint32_t>(b.tableSize)) used = static_cast<uint32_t>(b.tableSize);
  for (uint32_t i = 0; i < used; ++i) b.colors[i] = QuadValue(colors[i]);
}

std::unique_ptr<Bitmap> Shape(const BITMAPINFOHEADER& h) {
  auto b = std::make_unique<Bitmap>();
  b->stamp = NextStamp();
  b->width = h.biWidth;
  b->height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  b->bpp = h.biBitCount;
  b->stride = static_cast<ptrdiff_t>(RowBytes(h.biWidth, h.biBitCount));
  b->topDown = h.biHeight < 0;
  b->header = h;
  b->header.biSizeImage = static_cast<DWORD>(b->stride * b->height);
  return b;
}

}  // namespace

uint64_t NextStamp() {
  static std::atomic<uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void FreeDeleter::operator()(uint8_t* p) const {
  std::free(p);
}

int64_t RowBytes(int64_t width, int bpp) {
  if (width < 0 || bpp <= 0) return -1;
  int64_t bytes = ((width * bpp + 31) & ~int64_t{31}) / 8;
  if (bytes > kMaxImageBytes) return -1;
  return bytes;
}

bool ValidHeader(const BITMAPINFOHEADER& h) {
  if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB)
    return false;
  if (!SupportedDepth(h.biBitCount)) return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min())
    return false;
  int64_t stride = RowBytes(h.biWidth, h.biBitCount);
  int64_t rows = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  return stride > 0 && stride * rows <= kMaxImageBytes;
}

std::unique_ptr<Bitmap> NewBitmap(const BITMAPINFOHEADER& h, const RGBQUAD* colors) {
  if (!ValidHeader(h)) return nullptr;
  auto b = Shape(h);
  size_t size = static_cast<size_t>(b->stride) * static_cast<size_t>(b->height);
  // calloc: large sections come straight from zeroed pages.
  b->storage.reset(static_cast<uint8_t*>(std::calloc(size, 1)));
  if (!b->storage) return nullptr;
  b->bits = b->storage.get();
  LoadTable(*b, h, colors);
  return b;
}

std::unique_ptr<Bitmap> ViewBitmap(const BITMAPINFOHEADER& h, const RGBQUAD* colors, void* bits) {
  if (!ValidHeader(h) || !bits) return nullptr;
  auto b = Shape(h);
  b->bits = static_cast<uint8_t*>(bits);
  LoadTable(*b, h, colors);
  return b;
}

BITMAPINFOHEADER HeaderOf(const Bitmap& b) {
  BITMAPINFOHEADER h = b.header;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = b.width;
  h.biHeight = b.topDown ? -b.height : b.height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(b.bpp);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(b.stride * b.height);
  if (!b.isDib) h.biClrUsed = 0;
  return h;
}

}  // namespace veltrano::gdi::detail
