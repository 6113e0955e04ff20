#include "tests/testing/gif_blocks.h"

#include "tests/testing/gif_writer.h"

namespace veltrano::anigif::testing {
namespace writer = picture::testing;

void AppendHeader(Bytes& out, const std::string& signature, int width, int height,
                  const std::vector<uint32_t>& globalTable, uint8_t background) {
  out.insert(out.end(), signature.begin(), signature.end());
  writer::PutWord(out, width);
  writer::PutWord(out, height);
  uint8_t packed = 0x70;  // colour resolution 8 bits
  if (!globalTable.empty()) packed |= 0x80 | writer::TableSizeField(globalTable.size());
  out.push_back(packed);
  out.push_back(background);
  out.push_back(0);
  if (!globalTable.empty()) writer::PutTable(out, globalTable);
}

void AppendLoops(Bytes& out, int loops, const std::string& identifier) {
  out.push_back(0x21);
  out.push_back(0xFF);
  out.push_back(static_cast<uint8_t>(identifier.size()));
  out.insert(out.end(), identifier.begin(), identifier.end());
  out.push_back(3);
  out.push_back(1);
  writer::PutWord(out, loops);
  out.push_back(0);
}

void AppendControl(Bytes& out, int disposal, int delayCs, int transIndex, uint8_t packedExtra) {
  out.push_back(0x21);
  out.push_back(0xF9);
  out.push_back(4);
  uint8_t packed = static_cast<uint8_t>((disposal & 7) << 2) | packedExtra;
  if (transIndex >= 0) packed |= 1;
  out.push_back(packed);
  writer::PutWord(out, delayCs);
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
  writer::PutWord(out, image.left);
  writer::PutWord(out, image.top);
  writer::PutWord(out, image.width);
  writer::PutWord(out, image.height);
  uint8_t packed = 0;
  if (!image.localTable.empty()) packed |= 0x80 | writer::TableSizeField(image.localTable.size());
  if (image.interlaced) packed |= 0x40;
  out.push_back(packed);
  if (!image.localTable.empty()) writer::PutTable(out, image.localTable);
  int minCode = image.minCodeSize;
  if (minCode == 0) {
    int maxIndex = 1;
    for (uint8_t p : image.pixels) maxIndex = p > maxIndex ? p : maxIndex;
    minCode = 2;
    while ((1 << minCode) <= maxIndex) ++minCode;
  }
  out.push_back(static_cast<uint8_t>(minCode));
  const auto order = image.interlaced
                         ? writer::InterlaceRows(image.pixels, image.width, image.height)
                         : image.pixels;
  const Bytes data = writer::ToSubBlocks(writer::EncodeLzw(order, minCode).bytes);
  out.insert(out.end(), data.begin(), data.end());
}

void AppendTrailer(Bytes& out) {
  out.push_back(0x3B);
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
