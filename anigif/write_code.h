// The bit stream of the frame export: LZW codes packed least significant bit
// first into GIF data sub-blocks written straight into the output buffer.
//
// Every sub-block but the last carries exactly 254 data bytes. Each code is
// added to a 64-bit accumulator that is stored whole, eight bytes at the write
// position, after which the position moves on by the complete bytes it held
// (so there is no branch on the bit count); the sub-block length byte is
// slotted in when a block fills up.
//
// The stream is a plain value: the encoder keeps it in a local variable, and
// the rare steps (a full block, the flush) take and return it by value, so that
// the hot path stays in registers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace veltrano::anigif {

inline constexpr int kSubBlockData = 254;  // data bytes of a full sub-block
inline constexpr int kFlushCode = -1;      // WriteCode's request to flush everything pending

struct CodeStream {
  std::vector<std::uint8_t>* buf = nullptr;  // the output; grown as blocks are added
  std::uint8_t* data = nullptr;              // buf->data(), refreshed when it grows
  std::size_t limit = 0;  // where the 254 data bytes of the current sub-block end
  std::size_t q = 0;      // position of the next data byte
  std::uint64_t acc = 0;  // pending bits, least significant first
  int bit_count = 0;      // number of pending bits (0..7 between calls)
  int width = 9;          // bits per code now being written
};

// A stream whose first sub-block starts at `pos` of `buf` (the byte after the
// minimum code size).
CodeStream OpenCodeStream(std::vector<std::uint8_t>& buf, std::size_t pos);

// Called once at least 254 data bytes follow the length byte: writes it and
// moves the byte beyond the 254th, if any, one place on, behind the next length
// byte. Makes room for the next block.
CodeStream CloseFullBlock(CodeStream s);

// Writes out the pending bits and closes the last sub-block.
CodeStream FlushCodes(CodeStream s);

// The position of the byte after the last sub-block, once flushed.
inline std::size_t EndOfCodes(const CodeStream& s) {
  const std::size_t block = s.limit - kSubBlockData - 1;
  return s.q == block + 1 ? block : s.q;
}

// Adds `bits` bits of `code` to the stream (bits = 0 adds nothing), without a
// branch on either.
inline void PutBits(std::uint32_t code, int bits, CodeStream& s) {
  s.acc |= static_cast<std::uint64_t>(code) << s.bit_count;
  s.bit_count += bits;
  std::uint8_t* dst = s.data + s.q;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(dst, &s.acc, 8);
  } else {
    for (int k = 0; k < 8; ++k) dst[k] = static_cast<std::uint8_t>(s.acc >> (8 * k));
  }
  const int whole = s.bit_count >> 3;  // complete bytes just stored: 0, 1 or 2
  s.q += static_cast<std::size_t>(whole);
  s.acc >>= 8 * whole;
  s.bit_count &= 7;
  if (s.q >= s.limit) s = CloseFullBlock(s);
}

// Appends one code at the stream's current width, or, for kFlushCode, writes
// out every pending bit and closes the last sub-block.
inline void WriteCode(int code, CodeStream& s) {
  if (code < 0) {
    s = FlushCodes(s);
    return;
  }
  PutBits(static_cast<std::uint32_t>(code), s.width, s);
}

// Appends the code only when `emit` is true: the encoder's way of writing a
// code on a table miss without a branch on the miss.
inline void WriteCodeIf(bool emit, int code, CodeStream& s) {
  const std::uint32_t mask = 0u - static_cast<std::uint32_t>(emit);
  PutBits(static_cast<std::uint32_t>(code) & mask, s.width & static_cast<int>(mask), s);
}

}  // namespace veltrano::anigif
