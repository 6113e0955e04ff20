#include "platform/picture/lzw_decoder.h"

#include <bit>
#include <cstring>

// How the decoder works.
//
// Every string of the table is, by construction, already present in the
// output: the entry added while decoding code X is the previous string
// followed by the first byte of X's string, and those bytes lie side by side
// in the output. So an entry is just (offset in the output, length) and a
// code is decoded by copying its bytes from earlier output. Nothing walks a
// prefix chain and nothing needs a stack; literals are written directly.
//
// Short strings are copied 16 bytes at a time through a register-sized
// temporary, writing a little beyond the string while there is room in the
// output (the extra bytes are overwritten by the strings that follow).
//
// Input bits come from a 64-bit buffer refilled several bytes at a time while
// the current sub-block holds at least 8 bytes, and byte by byte across
// sub-block boundaries.

namespace veltrano::picture {
namespace {

constexpr unsigned kMaxCodeBits = 12;
constexpr unsigned kTableSize = 1u << kMaxCodeBits;
constexpr std::size_t kChunk = 16;

struct Entry {
  std::uint32_t offset;  // where the string starts in the output
  std::uint32_t length;
};

std::uint64_t LoadLittleEndian64(const std::uint8_t* p) {
  std::uint64_t v;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, p, sizeof v);
  } else {
    v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  }
  return v;
}

// Reads the data sub-blocks of one image as a bit stream, least significant
// bit first.
class ChainReader {
 public:
  explicit ChainReader(std::span<const std::uint8_t> chain)
      : p_(chain.data()), block_end_(chain.data()), end_(chain.data() + chain.size()) {}

  // Adds whole bytes to `bits` until it holds at least 56 bits, or until the
  // data runs out.
  inline void Refill(std::uint64_t& bits, unsigned& count) {
    if (block_end_ - p_ >= 8) {
      const unsigned take = (63 - count) >> 3;
      const std::uint64_t v = LoadLittleEndian64(p_);
      bits |= (v & ((std::uint64_t{1} << (take * 8)) - 1)) << count;
      p_ += take;
      count += take * 8;
      return;
    }
    RefillAcrossBlocks(bits, count);
  }

 private:
  void RefillAcrossBlocks(std::uint64_t& bits, unsigned& count) {
    while (count <= 56) {
      if (p_ == block_end_) {
        if (p_ == end_ || *p_ == 0) {
          block_end_ = p_ = end_;  // the terminator, or the input ran out
          return;
        }
        const std::size_t declared = *p_++;
        const std::size_t left = static_cast<std::size_t>(end_ - p_);
        block_end_ = p_ + (declared < left ? declared : left);
        continue;
      }
      bits |= std::uint64_t{*p_++} << count;
      count += 8;
    }
  }

  const std::uint8_t* p_;          // next data byte, or the next length byte at block_end_
  const std::uint8_t* block_end_;  // end of the current sub-block's data
  const std::uint8_t* end_;
};

// Copies `len` bytes from `src` to `dst`, where src + len <= dst, in 16-byte
// chunks. Writes up to len rounded up to 16; the caller guarantees the room.
inline void CopyChunks(std::uint8_t* dst, const std::uint8_t* src, std::size_t len) {
  for (std::size_t i = 0; i < len; i += kChunk) {
    std::uint8_t t[kChunk];
    std::memcpy(t, src + i, kChunk);
    std::memcpy(dst + i, t, kChunk);
  }
}

}  // namespace

LzwOutcome DecodeLzw(std::span<const std::uint8_t> chain, int min_code_size, std::uint8_t* out,
                     std::size_t count) {
  LzwOutcome outcome;
  if (count == 0) return outcome;
  if (min_code_size < 2 || min_code_size > kMaxMinCodeSize) {
    outcome.stop = LzwStop::kBadCode;
    return outcome;
  }

  Entry table[kTableSize];
  const unsigned clear = 1u << min_code_size;
  const unsigned end_code = clear + 1;
  const unsigned first_free = clear + 2;
  const unsigned first_width = static_cast<unsigned>(min_code_size) + 1;

  unsigned next = first_free;
  unsigned width = first_width;
  std::uint32_t mask = (1u << width) - 1;
  bool have_prev = false;
  std::size_t prev_pos = 0;
  std::size_t prev_len = 0;
  std::size_t pos = 0;

  ChainReader reader(chain);
  std::uint64_t bits = 0;
  unsigned nbits = 0;

  for (;;) {
    if (nbits < width) {
      reader.Refill(bits, nbits);
      if (nbits < width) return {pos, LzwStop::kOutOfData};
    }
    const unsigned code = static_cast<unsigned>(bits) & mask;
    bits >>= width;
    nbits -= width;

    const std::size_t room = count - pos;  // at least 1
    std::size_t len;
    if (code < clear) {
      // Above a code size of 8 a literal may exceed a byte: its low byte is
      // the pixel, as in every decoder that keeps one byte per pixel.
      out[pos] = static_cast<std::uint8_t>(code);
      len = 1;
    } else if (code > end_code && code < next) {
      const Entry e = table[code];
      len = e.length;
      if (len + (kChunk - 1) <= room) {
        CopyChunks(out + pos, out + e.offset, len);
      } else if (len <= room) {
        std::memcpy(out + pos, out + e.offset, len);
      } else {
        std::memcpy(out + pos, out + e.offset, room);
        return {count, LzwStop::kFull};
      }
    } else if (code == clear) {
      next = first_free;
      width = first_width;
      mask = (1u << width) - 1;
      have_prev = false;
      continue;
    } else if (code == end_code) {
      return {pos, LzwStop::kEndCode};
    } else if (code == next && have_prev) {
      // The previous string followed by its own first byte. The previous
      // string ends right where this one starts.
      len = prev_len + 1;
      if (len > room) {
        std::memcpy(out + pos, out + prev_pos, room);  // room <= prev_len
        return {count, LzwStop::kFull};
      }
      std::memcpy(out + pos, out + prev_pos, prev_len);
      out[pos + prev_len] = out[prev_pos];
    } else {
      return {pos, LzwStop::kBadCode};
    }

    if (have_prev && next < kTableSize) {
      table[next] = {static_cast<std::uint32_t>(prev_pos),
                     static_cast<std::uint32_t>(prev_len + 1)};
      ++next;
      if (next == (1u << width) && width < kMaxCodeBits) {
        ++width;
        mask = (1u << width) - 1;
      }
    }
    have_prev = true;
    prev_pos = pos;
    prev_len = len;
    pos += len;
    if (pos == count) return {count, LzwStop::kFull};
  }
}

}  // namespace veltrano::picture
