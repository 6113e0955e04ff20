#include "tests/testing/gif_writer.h"

#include <algorithm>
#include <unordered_map>

namespace veltrano::picture::testing {
namespace {

class BitWriter {
 public:
  void Put(unsigned code, unsigned width) {
    acc_ |= std::uint64_t{code} << n_;
    n_ += width;
    bits_ += width;
    while (n_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(acc_));
      acc_ >>= 8;
      n_ -= 8;
    }
  }
  std::size_t Bits() const { return bits_; }
  std::vector<std::uint8_t> Finish() {
    if (n_ > 0) bytes_.push_back(static_cast<std::uint8_t>(acc_));
    acc_ = 0;
    n_ = 0;
    return std::move(bytes_);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t acc_ = 0;
  unsigned n_ = 0;
  std::size_t bits_ = 0;
};

}  // namespace

int TableSizeField(std::size_t entries) {
  int field = 0;
  while ((std::size_t{2} << field) < entries && field < 7) ++field;
  return field;
}

void PutWord(std::vector<std::uint8_t>& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutTable(std::vector<std::uint8_t>& out, const std::vector<std::uint32_t>& table) {
  const std::size_t entries = std::size_t{2} << TableSizeField(table.size());
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint32_t c = i < table.size() ? table[i] : 0;
    out.push_back(static_cast<std::uint8_t>(c >> 16));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
  }
}

LzwStream EncodeLzw(std::span<const std::uint8_t> pixels, int min_code_size,
                    const LzwOptions& options) {
  LzwStream stream;
  BitWriter writer;
  const unsigned clear = 1u << min_code_size;
  const unsigned end = clear + 1;
  const unsigned first_free = clear + 2;
  std::unordered_map<std::uint32_t, unsigned> dict;
  unsigned next = first_free;
  std::size_t since_clear = 0;  // codes written since the last clear
  int full_codes = 0;

  // The width the decoder expects: it adds one entry per code from the
  // second code after a clear on, and widens once its next free code no
  // longer fits.
  auto emit = [&](unsigned code) {
    const std::size_t added = since_clear >= 1 ? since_clear - 1 : 0;
    const std::size_t decoder_next = std::min<std::size_t>(first_free + added, 4096);
    unsigned width = static_cast<unsigned>(min_code_size) + 1;
    while (width < 12 && decoder_next >= (std::size_t{1} << width)) ++width;
    writer.Put(code, width);
    ++since_clear;
    ++stream.codes;
    if (next == 4096) ++stream.full_codes;
  };
  auto restart = [&] {
    emit(clear);
    dict.clear();
    next = first_free;
    since_clear = 0;
    full_codes = 0;
  };

  if (options.leading_clear) restart();
  std::size_t n = pixels.size();
  if (options.stop_after >= 0) n = std::min<std::size_t>(n, options.stop_after);
  if (n > 0) {
    unsigned cur = pixels[0];
    for (std::size_t i = 1; i < n; ++i) {
      const unsigned k = pixels[i];
      const std::uint32_t key = (cur << 8) | k;
      auto it = dict.find(key);
      if (it != dict.end()) {
        cur = it->second;
        continue;
      }
      emit(cur);
      stream.marks.push_back({writer.Bits(), i});
      if (next < 4096) {
        dict.emplace(key, next++);
      } else {
        ++full_codes;
      }
      if (next == 4096 && !options.defer_clear) {
        restart();
      } else if (next == 4096 && options.clear_after_full > 0 &&
                 full_codes >= options.clear_after_full) {
        restart();
      } else if (options.clear_every > 0 &&
                 since_clear >= static_cast<std::size_t>(options.clear_every)) {
        restart();
      }
      cur = k;
    }
    emit(cur);
    stream.marks.push_back({writer.Bits(), n});
  }
  if (options.end_code) emit(end);
  stream.bytes = writer.Finish();
  return stream;
}

std::size_t PixelsWithin(const LzwStream& stream, std::size_t data_bytes) {
  std::size_t pixels = 0;
  for (const auto& m : stream.marks) {
    if (m.bit_end > data_bytes * 8) break;
    pixels = m.pixels;
  }
  return pixels;
}

std::vector<std::uint8_t> ToSubBlocks(std::span<const std::uint8_t> data, int block,
                                      bool terminate) {
  std::vector<std::uint8_t> out;
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t n = std::min<std::size_t>(block, data.size() - at);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), data.begin() + at, data.begin() + at + n);
    at += n;
  }
  if (terminate) out.push_back(0);
  return out;
}

std::vector<std::uint8_t> InterlaceRows(std::span<const std::uint8_t> pixels, int width,
                                        int height) {
  std::vector<std::uint8_t> out;
  out.reserve(pixels.size());
  static constexpr int kStart[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kStart[pass]; y < height; y += kStep[pass]) {
      const auto row = pixels.begin() + static_cast<std::size_t>(y) * width;
      out.insert(out.end(), row, row + width);
    }
  }
  return out;
}

LzwStream EncodeFrame(const FrameSpec& frame) {
  if (frame.interlaced) {
    const auto stored = InterlaceRows(frame.pixels, frame.width, frame.height);
    return EncodeLzw(stored, frame.min_code_size, frame.lzw);
  }
  return EncodeLzw(frame.pixels, frame.min_code_size, frame.lzw);
}

std::vector<std::uint8_t> WriteGif(const GifSpec& desc) {
  std::vector<std::uint8_t> out(desc.signature.begin(), desc.signature.end());
  int sw = desc.screen_width;
  int sh = desc.screen_height;
  if (sw == 0 || sh == 0) {
    for (const auto& f : desc.frames) {
      sw = std::max(sw, f.left + f.width);
      sh = std::max(sh, f.top + f.height);
    }
  }
  PutWord(out, sw);
  PutWord(out, sh);
  std::uint8_t packed = 0x70;  // colour resolution 8 bits
  if (!desc.global_table.empty()) packed |= 0x80 | TableSizeField(desc.global_table.size());
  out.push_back(packed);
  out.push_back(0);  // background index
  out.push_back(0);  // aspect ratio
  if (!desc.global_table.empty()) PutTable(out, desc.global_table);
  if (desc.loops) {
    const std::string id = "NETSCAPE2.0";
    out.insert(out.end(), {0x21, 0xFF, 11});
    out.insert(out.end(), id.begin(), id.end());
    out.insert(out.end(), {3, 1});
    PutWord(out, *desc.loops);
    out.push_back(0);
  }
  if (desc.comment) {
    const std::string text = "made by the test writer";
    out.insert(out.end(), {0x21, 0xFE, static_cast<std::uint8_t>(text.size())});
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
  }
  for (const auto& f : desc.frames) {
    if (f.control) {
      out.insert(out.end(), {0x21, 0xF9, 4});
      out.push_back(static_cast<std::uint8_t>(((f.disposal & 7) << 2) | (f.transparent ? 1 : 0)));
      PutWord(out, f.delay);
      out.push_back(f.transparent.value_or(0));
      out.push_back(0);
    }
    out.push_back(0x2C);
    PutWord(out, f.left);
    PutWord(out, f.top);
    PutWord(out, f.width);
    PutWord(out, f.height);
    std::uint8_t image_packed = f.interlaced ? 0x40 : 0;
    if (!f.local_table.empty()) image_packed |= 0x80 | TableSizeField(f.local_table.size());
    out.push_back(image_packed);
    if (!f.local_table.empty()) PutTable(out, f.local_table);
    out.push_back(static_cast<std::uint8_t>(f.min_code_size));
    const auto blocks = ToSubBlocks(EncodeFrame(f).bytes, f.block);
    out.insert(out.end(), blocks.begin(), blocks.end());
  }
  out.push_back(0x3B);
  return out;
}

}  // namespace veltrano::picture::testing
