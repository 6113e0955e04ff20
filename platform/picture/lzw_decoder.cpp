#include "platform/picture/lzw_decoder.h"

#include <array>
#include <bit>
#include <cstring>

// How the decoder works.
//
// Every string of the table is, by construction, already present in the
// output: the entry added while decoding code X is the previous string
// followed by the first byte of X's string, and those bytes lie side by side
// in the output. So an entry is just (where its bytes are, length) and a code
// is decoded by copying its bytes from earlier output. Nothing walks a prefix
// chain and nothing needs a stack.
//
// Literals are entries too, whose bytes are in a constant array instead of
// the output, so a literal and a table string take the same path. In dense
// images about half the codes are literals; deciding between the two on every
// code is a branch no predictor can learn.
//
// The common case, a string of at most 16 bytes with more than 16 bytes of
// room left, is one unaligned 16-byte copy and no loop. The extra bytes it
// writes lie beyond the string and are overwritten by the strings that
// follow. The clear and end codes carry a length that never fits that case,
// so they leave the fast path with the long strings, the strings near the end
// of the output and the "KwKwK" codes, which are told apart there.
//
// Input bits come from a 64-bit buffer topped up before every code: while the
// current sub-block holds at least 8 bytes this is a few instructions and no
// branch on how many bits are left; across sub-block boundaries it goes byte
// by byte.

namespace veltrano::picture {
namespace {

constexpr unsigned kMaxCodeBits = 12;
constexpr unsigned kTableSize = 1u << kMaxCodeBits;
constexpr std::size_t kChunk = 16;
// The length of the clear and end codes' entries: longer than any string.
constexpr std::uint32_t kNotAString = 0xFFFFFFFFu;

// Literal i is the byte i & 0xFF (above a code size of 8 a literal may exceed
// a byte: its low byte is the pixel, as in every decoder that keeps one byte
// per pixel). Padded so that a 16-byte copy from the last literal stays inside.
constexpr std::size_t kMaxLiterals = std::size_t{1} << kMaxMinCodeSize;
constexpr auto kLiterals = [] {
  std::array<std::uint8_t, kMaxLiterals + kChunk> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  return bytes;
}();

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
  // data runs out; tells whether it then holds at least `need` bits (need <= 56).
  //
  // In the fast case the eight bytes at p_ are ORed in whole and p_ moves on
  // by the bytes that fit. The bits above `count` then hold the start of the
  // bytes still at p_, which the next top-up ORs in at the same place again,
  // so they never need clearing; the sub-block holds those eight bytes, so
  // the byte-by-byte path adds the same bytes there too.
  inline bool Refill(std::uint64_t& bits, unsigned& count, unsigned need) {
    if (block_end_ - p_ >= 8) {
      bits |= LoadLittleEndian64(p_) << count;
      p_ += (63 - count) >> 3;
      count |= 56;
      return true;
    }
    RefillAcrossBlocks(bits, count);
    return count >= need;
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

// Copies 16 bytes, all read before any is written (the source may run into
// the destination: only the string's own bytes at its start must be right).
inline void Copy16(std::uint8_t* dst, const std::uint8_t* src) {
  std::memmove(dst, src, kChunk);
}

// Copies `len` bytes from `src` to `dst`, where src + len <= dst, in 16-byte
// chunks. Writes up to len rounded up to 16; the caller guarantees the room.
inline void CopyChunks(std::uint8_t* dst, const std::uint8_t* src, std::size_t len) {
  for (std::size_t i = 0; i < len; i += kChunk) Copy16(dst + i, src + i);
}

}  // namespace

LzwOutcome DecodeLzw(std::span<const std::uint8_t> chain, int min_code_size, std::uint8_t* out,
                     std::size_t count) {
  if (count == 0) return {};
  if (min_code_size < 2 || min_code_size > kMaxMinCodeSize) return {0, LzwStop::kBadCode};

  const unsigned clear = 1u << min_code_size;
  const unsigned end_code = clear + 1;
  const unsigned first_free = clear + 2;
  const unsigned first_width = static_cast<unsigned>(min_code_size) + 1;

  // Where each code's string starts (in the output, or in kLiterals for a
  // literal) and its length. One slot more than codes: once the table is
  // full, the entry each code would add goes there and is never read.
  const std::uint8_t* source[kTableSize + 1];
  std::uint32_t length[kTableSize + 1];
  for (unsigned i = 0; i < clear; ++i) {
    source[i] = kLiterals.data() + i;
    length[i] = 1;
  }
  source[clear] = source[end_code] = out;
  length[clear] = length[end_code] = kNotAString;

  std::uint8_t* dst = out;
  std::uint8_t* const end = out + count;
  // Below fast_end there are more than 16 bytes of room, so a string of up to
  // 16 bytes fits in one copy and does not finish the output.
  std::uint8_t* const fast_end = count > kChunk ? end - kChunk : out;

  ChainReader reader(chain);
  std::uint64_t bits = 0;
  unsigned nbits = 0;
  unsigned width = first_width;
  std::uint32_t mask = (1u << width) - 1;

  const auto read_code = [&](unsigned& code) {
    if (!reader.Refill(bits, nbits, width)) return false;
    code = static_cast<unsigned>(bits) & mask;
    bits >>= width;
    nbits -= width;
    return true;
  };
  const auto written = [&] { return static_cast<std::size_t>(dst - out); };

  for (;;) {
    // The first code, and the first after every clear, has no previous
    // string: only a literal can come (or another clear, or the end).
    unsigned next = first_free;
    width = first_width;
    mask = (1u << width) - 1;
    unsigned limit = 1u << width;  // the next free code that widens the codes

    unsigned code;
    if (!read_code(code)) return {written(), LzwStop::kOutOfData};
    if (code == clear) continue;
    if (code == end_code) return {written(), LzwStop::kEndCode};
    if (code > end_code) return {written(), LzwStop::kBadCode};
    *dst = static_cast<std::uint8_t>(code);
    const std::uint8_t* prev = dst;
    std::uint32_t prev_len = 1;
    if (++dst == end) return {count, LzwStop::kFull};

    for (;;) {
      if (!read_code(code)) return {written(), LzwStop::kOutOfData};
      std::uint32_t len;
      if (code < next) {
        const std::uint8_t* src = source[code];
        len = length[code];
        if (len <= kChunk && dst < fast_end) {
          Copy16(dst, src);
        } else if (code == clear) {
          break;
        } else if (code == end_code) {
          return {written(), LzwStop::kEndCode};
        } else {
          const std::size_t room = static_cast<std::size_t>(end - dst);
          if (len + (kChunk - 1) <= room) {
            CopyChunks(dst, src, len);
          } else if (len <= room) {
            std::memcpy(dst, src, len);
          } else {
            std::memcpy(dst, src, room);
            return {count, LzwStop::kFull};
          }
          if (len == room) return {count, LzwStop::kFull};
        }
      } else if (code == next) {
        // The previous string followed by its own first byte. The previous
        // string ends right where this one starts.
        len = prev_len + 1;
        const std::size_t room = static_cast<std::size_t>(end - dst);
        if (len > room) {
          std::memcpy(dst, prev, room);  // room <= prev_len
          return {count, LzwStop::kFull};
        }
        std::memcpy(dst, prev, prev_len);
        dst[prev_len] = *prev;
        if (len == room) return {count, LzwStop::kFull};
      } else {
        return {written(), LzwStop::kBadCode};
      }

      source[next] = prev;
      length[next] = prev_len + 1;
      next += next < kTableSize ? 1u : 0u;
      if (next == limit) {
        if (width < kMaxCodeBits) {
          ++width;
          mask = (1u << width) - 1;
          limit <<= 1;
        }
        if (width == kMaxCodeBits) limit = kTableSize + 1;  // codes stay 12 bits wide
      }
      prev = dst;
      prev_len = len;
      dst += len;  // before end: every path that fills the output has returned
    }
  }
}

}  // namespace veltrano::picture
