#include "anigif/write_code.h"

namespace veltrano::anigif {
namespace {

// Room for the current sub-block, the eight-byte store that may end it, and
// the terminator and trailer that follow the last one.
CodeStream WithRoom(CodeStream s) {
  const std::size_t need = s.limit + 32;
  std::vector<std::uint8_t>& buf = *s.buf;
  if (buf.size() < need) buf.resize(need < buf.size() * 2 ? buf.size() * 2 : need);
  s.data = buf.data();
  return s;
}

}  // namespace

CodeStream OpenCodeStream(std::vector<std::uint8_t>& buf, std::size_t pos) {
  CodeStream s;
  s.buf = &buf;
  s.limit = pos + 1 + kSubBlockData;
  s.q = pos + 1;
  return WithRoom(s);
}

CodeStream CloseFullBlock(CodeStream s) {
  const std::size_t end = s.limit;
  const std::size_t extra = s.q - end;
  std::memmove(s.data + end + 1, s.data + end, extra);
  s.data[end - kSubBlockData - 1] = static_cast<std::uint8_t>(kSubBlockData);
  s.limit = end + 1 + kSubBlockData;
  s.q = end + 1 + extra;
  return WithRoom(s);
}

CodeStream FlushCodes(CodeStream s) {
  while (s.bit_count > 0) {
    s.data[s.q++] = static_cast<std::uint8_t>(s.acc);
    s.acc >>= 8;
    s.bit_count -= 8;
    if (s.q == s.limit) s = CloseFullBlock(s);
  }
  s.acc = 0;
  s.bit_count = 0;
  const std::size_t block = s.limit - kSubBlockData - 1;
  if (s.q > block + 1) s.data[block] = static_cast<std::uint8_t>(s.q - block - 1);
  return s;
}

}  // namespace veltrano::anigif
