#include "anigif/export_frame.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "anigif/write_code.h"

namespace veltrano::anigif {
namespace {

constexpr int kHashSlots = 5003;  // a prime, so the secondary step visits every slot
constexpr int kHashShift = 4;     // the primary hash multiplies the pixel by 16
constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kCodeLimit = 4096;  // 12-bit codes
constexpr int kMinCodeSize = 8;
constexpr int kMaxGifSide = 65535;

// A primary slot never leaves the table, so it needs no folding.
static_assert(((255 << kHashShift) | (kCodeLimit - 1)) < kHashSlots);

constexpr std::size_t kHeaderBytes = 13 + 768;  // signature, screen descriptor, colour table
constexpr std::size_t kControlExtBytes = 8;
constexpr std::size_t kDescriptorBytes = 10;

void Put16(std::uint8_t* p, std::int32_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Header, global table, optional graphic control extension, image descriptor
// and minimum code size. Returns the position after the last of them.
std::size_t WriteHeader(std::uint8_t* out, std::int32_t width, std::int32_t height,
                        ColorTableView table, std::uint8_t trans_flag, std::uint8_t trans_index) {
  std::memcpy(out, "GIF89a", 6);
  Put16(out + 6, width);
  Put16(out + 8, height);
  out[10] = 0x87;  // global table of 256 entries
  out[11] = 0;     // background index
  out[12] = 0;     // aspect ratio
  const int count = std::clamp(table[256], 0, 256);
  std::uint8_t* rgb = out + 13;
  for (int i = 0; i < count; ++i) {
    const auto c = static_cast<std::uint32_t>(table[static_cast<std::size_t>(i)]);
    rgb[3 * i] = static_cast<std::uint8_t>(c >> 16);
    rgb[3 * i + 1] = static_cast<std::uint8_t>(c >> 8);
    rgb[3 * i + 2] = static_cast<std::uint8_t>(c);
  }
  std::memset(rgb + 3 * count, 0, static_cast<std::size_t>(3 * (256 - count)));
  std::size_t p = kHeaderBytes;
  if (trans_flag == 1) {
    const std::uint8_t ext[kControlExtBytes] = {0x21, 0xF9, 0x04, 0x01, 0, 0, trans_index, 0};
    std::memcpy(out + p, ext, kControlExtBytes);
    p += kControlExtBytes;
  }
  out[p] = 0x2C;
  Put16(out + p + 1, 0);
  Put16(out + p + 3, 0);
  std::memcpy(out + p + 5, out + 6, 4);
  out[p + 9] = 0;  // no local table, not interlaced
  p += kDescriptorBytes;
  out[p++] = kMinCodeSize;
  return p;
}

// The LZW pass over the pixels, from the frame's top row down and left to
// right. The string table is an open-addressing hash of 5003 slots: the key of
// a string is pixel * 4096 + prefix code, its primary slot (pixel * 16) XOR
// prefix, and collisions step back by 5003 - slot. A slot holding -1 or 0 ends
// a probe.
void CompressPixels(const FramePixels& px, CodeStream& s) {
  auto hash = std::make_unique_for_overwrite<std::int32_t[]>(kHashSlots);
  auto codes = std::make_unique_for_overwrite<std::int32_t[]>(kHashSlots);
  std::int32_t* const ht = hash.get();
  std::int32_t* const ct = codes.get();
  std::fill_n(ht, kHashSlots, -1);

  s.width = 9;
  WriteCode(kClearCode, s);
  int max_code = (1 << s.width) - 1;
  int next_code = kFirstFreeCode;

  int prefix = px.top_row[0];
  const std::uint8_t* row = px.top_row;
  for (std::int32_t y = 0; y < px.height; ++y, row += px.stride) {
    for (std::int32_t x = (y == 0 ? 1 : 0); x < px.width; ++x) {
      const int c = row[x];
      const std::int32_t key = (c << 12) + prefix;
      int i = (c << kHashShift) ^ prefix;  // always inside the table, see below
      std::int32_t h = ht[i];
      if (h != key && h >= 0) {
        const int step = (i == 0) ? 1 : kHashSlots - i;
        do {
          i -= step;
          if (i < 0) i += kHashSlots;
          h = ht[i];
        } while (h != key && h > 0);
      }
      if (h == key) {
        prefix = ct[i];
        continue;
      }
      WriteCode(prefix, s);
      prefix = c;
      ct[i] = next_code;
      ht[i] = key;
      if (next_code > max_code) {
        if (next_code == kCodeLimit) {
          WriteCode(kClearCode, s);
          std::fill_n(ht, kHashSlots, -1);
          s.width = 9;
          next_code = kFirstFreeCode - 1;
        } else {
          ++s.width;
        }
        max_code = (1 << s.width) - 1;
      }
      ++next_code;
    }
  }
  WriteCode(prefix, s);
  WriteCode(kEndCode, s);
  WriteCode(kFlushCode, s);
}

}  // namespace

FramePixels FrameInStrip(const std::uint8_t* bits, std::ptrdiff_t row_bytes,
                         std::int32_t strip_height, std::int32_t strip_x, std::int32_t width,
                         std::int32_t height) {
  if (bits == nullptr || row_bytes <= 0 || strip_x < 0 || width <= 0 || height <= 0 ||
      height > strip_height || static_cast<std::ptrdiff_t>(strip_x) + width > row_bytes) {
    return {};
  }
  // Memory row r of a bottom-up DIB is strip row strip_height - 1 - r.
  const std::uint8_t* top =
      bits + static_cast<std::ptrdiff_t>(strip_height - 1) * row_bytes + strip_x;
  return {top, -row_bytes, width, height};
}

std::vector<std::uint8_t> EncodeFrameGif(const FramePixels& pixels, ColorTableView table,
                                         std::uint8_t trans_flag, std::uint8_t trans_index) {
  if (pixels.top_row == nullptr || pixels.width <= 0 || pixels.height <= 0 ||
      pixels.width > kMaxGifSide || pixels.height > kMaxGifSide) {
    return {};
  }
  try {
    // Room for the headers and a first guess at the data; the stream grows the
    // buffer when a sub-block would not fit.
    const std::size_t area = static_cast<std::size_t>(pixels.width) * pixels.height;
    std::vector<std::uint8_t> out(area / 2 + 1024);
    const std::size_t data_start =
        WriteHeader(out.data(), pixels.width, pixels.height, table, trans_flag, trans_index);

    CodeStream s;
    s.buf = &out;
    s.Start(data_start);
    CompressPixels(pixels, s);

    const std::size_t end = s.End();
    out[end] = 0x00;      // block terminator
    out[end + 1] = 0x3B;  // trailer
    out.resize(end + 2);
    if (out.capacity() - out.size() > 65536 && out.capacity() > 2 * out.size()) {
      out.shrink_to_fit();
    }
    return out;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace veltrano::anigif
