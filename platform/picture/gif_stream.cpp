#include "platform/picture/gif_stream.h"

#include <cstddef>

#include "platform/picture/lzw_decoder.h"

namespace veltrano::picture {
namespace {

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::size_t kHeaderSize = 13;      // signature + logical screen descriptor
constexpr std::size_t kDescriptorSize = 10;  // "," + left, top, width, height + packed

int Word(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}

char Lower(std::uint8_t c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
}

bool HasSignature(std::span<const std::uint8_t> b) {
  if (b.size() < 6) return false;
  const char* expected = "gif8";
  for (int i = 0; i < 4; ++i) {
    if (Lower(b[i]) != expected[i]) return false;
  }
  return (b[4] == '7' || b[4] == '9') && Lower(b[5]) == 'a';
}

std::size_t ColorTableBytes(std::uint8_t packed) {
  return 3 * (std::size_t{2} << (packed & 7));
}

// Moves `pos` past a chain of data sub-blocks and its zero terminator. When
// the chain runs past the end of the data, `pos` ends beyond it.
std::size_t SkipSubBlocks(std::span<const std::uint8_t> b, std::size_t pos) {
  while (pos < b.size() && b[pos] != 0) pos += std::size_t{b[pos]} + 1;
  return pos + 1;
}

}  // namespace

FindImageResult FindFirstImage(std::span<const std::uint8_t> bytes) {
  FindImageResult result;
  ImageBlock& image = result.image;
  if (!HasSignature(bytes)) {
    result.error = LoadError::kNotGif;
    return result;
  }
  if (bytes.size() < kHeaderSize) {
    result.error = LoadError::kTruncated;
    return result;
  }
  image.screen_width = Word(bytes, 6);
  image.screen_height = Word(bytes, 8);
  const std::uint8_t screen_packed = bytes[10];
  std::size_t pos = kHeaderSize;
  std::span<const std::uint8_t> global_table;
  if (screen_packed & 0x80) {
    const std::size_t n = ColorTableBytes(screen_packed);
    if (bytes.size() - pos < n) {
      result.error = LoadError::kTruncated;
      return result;
    }
    global_table = bytes.subspan(pos, n);
    pos += n;
  }

  // Blocks up to the first image. A graphic control extension applies to the
  // next image whatever other extensions follow it; a later one replaces it.
  while (pos < bytes.size()) {
    const std::uint8_t introducer = bytes[pos];
    if (introducer == 0x00) {
      ++pos;  // stray padding between blocks
      continue;
    }
    if (introducer == kExtensionIntroducer) {
      if (bytes.size() - pos < 2) break;
      const std::uint8_t label = bytes[pos + 1];
      pos += 2;
      if (label == kGraphicControlLabel && pos < bytes.size() && bytes[pos] >= 4 &&
          bytes.size() - pos >= 5) {
        const std::uint8_t packed = bytes[pos + 1];
        image.transparent_index.reset();
        if (packed & 1) image.transparent_index = bytes[pos + 4];
      }
      pos = SkipSubBlocks(bytes, pos);
      continue;
    }
    if (introducer != kImageSeparator) break;  // the trailer, or anything unknown, ends the stream

    if (bytes.size() - pos < kDescriptorSize) {
      result.error = LoadError::kTruncated;
      return result;
    }
    image.left = Word(bytes, pos + 1);
    image.top = Word(bytes, pos + 3);
    image.width = Word(bytes, pos + 5);
    image.height = Word(bytes, pos + 7);
    const std::uint8_t packed = bytes[pos + 9];
    image.interlaced = (packed & 0x40) != 0;
    pos += kDescriptorSize;
    image.color_table = global_table;
    if (packed & 0x80) {
      const std::size_t n = ColorTableBytes(packed);
      if (bytes.size() - pos < n) {
        result.error = LoadError::kTruncated;
        return result;
      }
      image.color_table = bytes.subspan(pos, n);
      pos += n;
    }
    if (pos >= bytes.size()) {
      result.error = LoadError::kTruncated;
      return result;
    }
    image.min_code_size = bytes[pos];
    if (image.min_code_size < 2 || image.min_code_size > kMaxMinCodeSize) {
      result.error = LoadError::kBadCodeSize;
      return result;
    }
    image.data = bytes.subspan(pos + 1);
    return result;
  }
  result.error = LoadError::kNoImage;
  return result;
}

}  // namespace veltrano::picture
