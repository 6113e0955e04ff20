#include "tests/testing/gif_blocks.h"

#include <algorithm>

namespace veltrano::anigif::testing {
namespace {

void Word(Bytes& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void Table(Bytes& out, const std::vector<uint32_t>& colors) {
  const size_t entries = size_t{1} << (SizeField(colors.size()) + 1);
  for (size_t i = 0; i < entries; ++i) {
    const uint32_t c = i < colors.size() ? colors[i] : 0;
    out.push_back(static_cast<uint8_t>(c >> 16));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c));
  }
}

std::vector<uint8_t> InterlaceOrder(const std::vector<uint8_t>& pixels, int width, int height) {
  std::vector<uint8_t> out;
  out.reserve(pixels.size());
  const int starts[4] = {0, 4, 2, 1};
  const int steps[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = starts[pass]; y < height; y += steps[pass]) {
      out.insert(out.end(), pixels.begin() + y * width, pixels.begin() + (y + 1) * width);
    }
  }
  return out;
}

}  // namespace

int SizeField(size_t colors) {
  int field = 0;
  while ((size_t{2} << field) < colors && field < 7) ++field;
  return field;
}

void AppendHeader(Bytes& out, const std::string& signature, int width, int height,
                  const std::vector<uint32_t>& globalTable, uint8_t background) {
  out.insert(out.end(), signature.begin(), signature.end());
  Word(out, width);
  Word(out, height);
  uint8_t packed = 0x70;  // colour resolution 8 bits
  if (!globalTable.empty()) packed |= 0x80 | SizeField(globalTable.size());
  out.push_back(packed);
  out.push_back(background);
  out.push_back(0);
  if (!globalTable.empty()) Table(out, globalTable);
}

void AppendLoops(Bytes& out, int loops, const std::string& identifier) {
  out.push_back(0x21);
  out.push_back(0xFF);
  out.push_back(static_cast<uint8_t>(identifier.size()));
  out.insert(out.end(), identifier.begin(), identifier.end());
  out.push_back(3);
  out.push_back(1);
  Word(out, loops);
  out.push_back(0);
}

void AppendControl(Bytes& out, int disposal, int delayCs, int transIndex, uint8_t packedExtra) {
  out.push_back(0x21);
  out.push_back(0xF9);
  out.push_back(4);
  uint8_t packed = static_cast<uint8_t>((disposal & 7) << 2) | packedExtra;
  if (transIndex >= 0) packed |= 1;
  out.push_back(packed);
  Word(out, delayCs);
  out.push_back(static_cast<uint8_t>(transIndex >= 0 ? transIndex : 0));
  out.push_back(0);
}

void AppendComment(Bytes& out, const std::string& text) {
  out.push_back(0x21);
  out.push_back(0xFE);
  out.push_back(static_cast<uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void AppendImage(Bytes& out, const ImageSpec& image, bool fileHasGlobalTable) {
  (void)fileHasGlobalTable;
  out.push_back(0x2C);
  Word(out, image.left);
  Word(out, image.top);
  Word(out, image.width);
  Word(out, image.height);
  uint8_t packed = 0;
  if (!image.localTable.empty()) packed |= 0x80 | SizeField(image.localTable.size());
  if (image.interlaced) packed |= 0x40;
  out.push_back(packed);
  if (!image.localTable.empty()) Table(out, image.localTable);
  int minCode = image.minCodeSize;
  if (minCode == 0) {
    int maxIndex = 1;
    for (uint8_t p : image.pixels) maxIndex = p > maxIndex ? p : maxIndex;
    minCode = 2;
    while ((1 << minCode) <= maxIndex) ++minCode;
  }
  out.push_back(static_cast<uint8_t>(minCode));
  const auto order =
      image.interlaced ? InterlaceOrder(image.pixels, image.width, image.height) : image.pixels;
  const Bytes data = EncodeLzw(order, minCode);
  out.insert(out.end(), data.begin(), data.end());
}

void AppendTrailer(Bytes& out) {
  out.push_back(0x3B);
}

Bytes EncodeLzw(const std::vector<uint8_t>& indices, int minCodeSize) {
  // Every index goes out as a literal code, with a clear code before the
  // table would need wider codes: valid LZW that any decoder reads.
  const int clear = 1 << minCodeSize;
  const int width = minCodeSize + 1;
  const int perRun = clear - 2;
  Bytes packedCodes;
  uint32_t acc = 0;
  int bits = 0;
  auto put = [&](int code) {
    acc |= static_cast<uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      packedCodes.push_back(static_cast<uint8_t>(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  };
  int run = 0;
  put(clear);
  for (uint8_t index : indices) {
    if (run == perRun) {
      put(clear);
      run = 0;
    }
    put(index);
    ++run;
  }
  put(clear + 1);
  if (bits > 0) packedCodes.push_back(static_cast<uint8_t>(acc & 0xFF));
  Bytes out;
  for (size_t at = 0; at < packedCodes.size(); at += 255) {
    const size_t n = std::min<size_t>(255, packedCodes.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), packedCodes.begin() + at, packedCodes.begin() + at + n);
  }
  out.push_back(0);
  return out;
}

std::vector<uint32_t> Ramp(size_t n) {
  std::vector<uint32_t> colors(n);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t v = n > 1 ? static_cast<uint32_t>(i * 255 / (n - 1)) : 0;
    colors[i] = (v << 16) | (((v * 7) & 0xFF) << 8) | (255 - v);
  }
  return colors;
}

std::vector<uint8_t> Pattern(int width, int height, int colors, int seed) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[static_cast<size_t>(y) * width + x] =
          static_cast<uint8_t>((x * 3 + y * 5 + seed * 7 + (x * y) % 11) % colors);
    }
  }
  return pixels;
}

}  // namespace veltrano::anigif::testing
