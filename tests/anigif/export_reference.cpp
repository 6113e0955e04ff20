#include "export_reference.h"

#include <cstring>

namespace veltrano::anigif::testing {
namespace {

struct Packer {
  std::vector<std::uint8_t>& buf;
  std::size_t p;
  std::int32_t acc = 0;
  int bits = 0;
  int width = 9;
  std::uint8_t packet[255] = {};
  int fill = 1;
  std::int32_t pow2[17];

  explicit Packer(std::vector<std::uint8_t>& b, std::size_t start) : buf(b), p(start) {
    for (int n = 0; n <= 16; ++n) pow2[n] = (1 << n) - 1;
  }

  void Write(int code) {
    if (code >= 0) {
      acc |= code * (pow2[bits] + 1);
      bits += width;
      while (bits >= 8) {
        packet[fill] = static_cast<std::uint8_t>(acc & 0xFF);
        acc /= 256;
        bits -= 8;
        if (fill == 254) {
          packet[0] = 254;
          if (buf.size() < p + 260) buf.resize(p + 512);
          std::memcpy(&buf[p], packet, 255);
          p += 255;
          fill = 0;
        }
        ++fill;
      }
      return;
    }
    if (bits != 0) packet[fill++] = static_cast<std::uint8_t>(acc & 0xFF);
    if (fill == 1) return;
    packet[0] = static_cast<std::uint8_t>(fill - 1);
    if (buf.size() < p + fill + 6) buf.resize(p + fill + 6);
    std::memcpy(&buf[p], packet, static_cast<std::size_t>(fill));
    p += static_cast<std::size_t>(fill);
  }
};

}  // namespace

std::vector<std::uint8_t> ReferenceEncode(const FramePixels& px, ColorTableView table,
                                          std::uint8_t trans_flag, std::uint8_t trans_index) {
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(px.width) * px.height + 801, 0);
  const char sig[] = "GIF89a";
  for (int i = 0; i < 6; ++i) buf[i] = static_cast<std::uint8_t>(sig[i]);
  buf[6] = px.width & 0xFF;
  buf[7] = px.width >> 8;
  buf[8] = px.height & 0xFF;
  buf[9] = px.height >> 8;
  buf[10] = 0x87;
  for (int i = 0; i < table[256]; ++i) {
    buf[13 + 3 * i] = (table[i] >> 16) & 0xFF;
    buf[14 + 3 * i] = (table[i] >> 8) & 0xFF;
    buf[15 + 3 * i] = table[i] & 0xFF;
  }
  std::size_t p = 781;
  if (trans_flag == 1) {
    const std::uint8_t ext[8] = {0x21, 0xF9, 0x04, 0x01, 0, 0, trans_index, 0};
    for (int i = 0; i < 8; ++i) buf[p++] = ext[i];
  }
  buf[p] = 0x2C;
  for (int i = 0; i < 4; ++i) buf[p + 5 + i] = buf[6 + i];
  p += 10;
  buf[p++] = 8;

  std::vector<std::int32_t> hash(5003, -1);
  std::vector<std::int32_t> code(5003);
  Packer out(buf, p);
  int max_code = 511;
  int next = 258;
  out.Write(256);
  auto pixel = [&](int x, int y) { return static_cast<int>(px.top_row[y * px.stride + x]); };
  int prefix = pixel(0, 0);
  for (int y = 0; y < px.height; ++y) {
    for (int x = 0; x < px.width; ++x) {
      if (x == 0 && y == 0) continue;
      const int c = pixel(x, y);
      const std::int32_t key = c * 4096 + prefix;
      int i = (c * 16) ^ prefix;
      if (i > 5002) i = 0;
      if (hash[i] == key) {
        prefix = code[i];
        continue;
      }
      bool found = false;
      if (hash[i] >= 0) {
        const int step = i == 0 ? 1 : 5003 - i;
        for (;;) {
          i -= step;
          if (i < 0) i += 5003;
          if (hash[i] == key) {
            prefix = code[i];
            found = true;
            break;
          }
          if (hash[i] <= 0) break;
        }
      }
      if (found) continue;
      out.Write(prefix);
      prefix = c;
      code[i] = next;
      hash[i] = key;
      if (next > max_code) {
        if (next == 4096) {
          out.Write(256);
          std::fill(hash.begin(), hash.end(), -1);
          out.width = 9;
          next = 257;
        } else {
          ++out.width;
        }
        max_code = out.pow2[out.width];
      }
      ++next;
    }
  }
  out.Write(prefix);
  out.Write(257);
  out.Write(-1);
  if (buf.size() < out.p + 2) buf.resize(out.p + 2);
  buf[out.p] = 0;
  buf[out.p + 1] = 0x3B;
  buf.resize(out.p + 2);
  return buf;
}

}  // namespace veltrano::anigif::testing
