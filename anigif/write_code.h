// The bit stream of the frame export: LZW codes packed least significant bit
// first into GIF data sub-blocks written straight into the output buffer.
//
// Every sub-block but the last carries exactly 254 data bytes. The stream keeps
// up to 31 pending bits in a 64-bit accumulator and stores them four bytes at a
// time; the sub-block length byte is slotted in when a block fills up.
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
  std::vector<std::uint8_t>* buf = nullptr;  // its size() is the room we may write into
  std::size_t block = 0;                     // position of the current sub-block's length byte
  std::size_t q = 0;                         // position of the next data byte
  std::uint64_t acc = 0;                     // pending bits, least significant first
  int bit_count = 0;                         // number of pending bits (0..31 between calls)
  int width = 9;                             // bits per code now being written

  // Opens the first sub-block at `pos` (the byte after the minimum code size).
  void Start(std::size_t pos) {
    block = pos;
    q = pos + 1;
    acc = 0;
    bit_count = 0;
    EnsureRoom();
  }

  // Room for one whole sub-block and the over-long store that may end it.
  void EnsureRoom() {
    const std::size_t need = block + kSubBlockData + 32;
    if (buf->size() < need) buf->resize(need < buf->size() * 2 ? buf->size() * 2 : need);
  }

  // Called once at least 254 data bytes sit behind `block`: writes the length
  // byte and moves the bytes beyond the 254th (at most 3) one place on, behind
  // the next length byte.
  void CloseFullBlock() {
    std::uint8_t* b = buf->data();
    const std::size_t end = block + 1 + kSubBlockData;
    const std::size_t extra = q - end;
    std::memmove(b + end + 1, b + end, extra);
    b[block] = static_cast<std::uint8_t>(kSubBlockData);
    block = end;
    q = end + 1 + extra;
    EnsureRoom();
  }

  void Store32() {
    std::uint8_t* dst = buf->data() + q;
    const auto word = static_cast<std::uint32_t>(acc);
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(dst, &word, 4);
    } else {
      dst[0] = static_cast<std::uint8_t>(word);
      dst[1] = static_cast<std::uint8_t>(word >> 8);
      dst[2] = static_cast<std::uint8_t>(word >> 16);
      dst[3] = static_cast<std::uint8_t>(word >> 24);
    }
    q += 4;
    acc >>= 32;
    bit_count -= 32;
    if (q >= block + 1 + kSubBlockData) CloseFullBlock();
  }

  // After a flush: the position of the byte after the last sub-block.
  std::size_t End() const { return q == block + 1 ? block : q; }
};

// Appends one code at the stream's current width, or, for kFlushCode, writes
// out every pending bit and closes the last sub-block.
inline void WriteCode(int code, CodeStream& s) {
  if (code >= 0) {
    s.acc |= static_cast<std::uint64_t>(code) << s.bit_count;
    s.bit_count += s.width;
    if (s.bit_count >= 32) s.Store32();
    return;
  }
  std::uint8_t* b = s.buf->data();
  while (s.bit_count > 0) {
    b[s.q++] = static_cast<std::uint8_t>(s.acc);
    s.acc >>= 8;
    s.bit_count -= 8;
    if (s.q == s.block + 1 + kSubBlockData) {
      s.CloseFullBlock();
      b = s.buf->data();
    }
  }
  s.acc = 0;
  s.bit_count = 0;
  if (s.q > s.block + 1) b[s.block] = static_cast<std::uint8_t>(s.q - s.block - 1);
}

}  // namespace veltrano::anigif
