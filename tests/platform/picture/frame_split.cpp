#include "tests/platform/picture/frame_split.h"

#include <algorithm>

namespace veltrano::picture::testing {
namespace {

std::size_t SkipSubBlocks(std::span<const std::uint8_t> b, std::size_t pos) {
  while (pos < b.size() && b[pos] != 0) pos += b[pos] + 1u;
  return pos + 1;
}

}  // namespace

std::vector<FramePlace> FindFrames(std::span<const std::uint8_t> gif) {
  std::vector<FramePlace> frames;
  if (gif.size() < 13) return frames;
  std::size_t pos = 13;
  if (gif[10] & 0x80) pos += 3 * (std::size_t{2} << (gif[10] & 7));
  std::size_t control = 0;
  while (pos < gif.size()) {
    const std::uint8_t introducer = gif[pos];
    if (introducer == 0x21 && pos + 1 < gif.size()) {
      if (gif[pos + 1] == 0xF9) control = pos;
      pos = SkipSubBlocks(gif, pos + 2);
    } else if (introducer == 0x2C && pos + 10 < gif.size()) {
      FramePlace f;
      f.control = control;
      f.start = pos;
      const std::uint8_t packed = gif[pos + 9];
      f.local_table = (packed & 0x80) != 0;
      pos += 10;
      if (f.local_table) pos += 3 * (std::size_t{2} << (packed & 7));
      pos = SkipSubBlocks(gif, pos + 1);
      f.length = std::min(pos, gif.size()) - f.start;
      frames.push_back(f);
      control = 0;
    } else {
      break;
    }
  }
  return frames;
}

std::vector<std::uint8_t> RebuildFrame(std::span<const std::uint8_t> gif, const FramePlace& frame) {
  std::vector<std::uint8_t> out;
  RebuildFrameInto(gif, frame, out);
  return out;
}

void RebuildFrameInto(std::span<const std::uint8_t> gif, const FramePlace& frame,
                      std::vector<std::uint8_t>& out) {
  out.assign(gif.begin(), gif.begin() + 13);
  out[6] = gif[frame.start + 5];
  out[7] = gif[frame.start + 6];
  out[8] = gif[frame.start + 7];
  out[9] = gif[frame.start + 8];
  out[10] |= 0x87;
  for (int i = 0; i < 256; ++i) out.insert(out.end(), {0, 0, static_cast<std::uint8_t>(i)});
  if (frame.control != 0) {
    const std::size_t at = out.size();
    out.insert(out.end(), gif.begin() + frame.control, gif.begin() + frame.control + 8);
    out[at + 3] &= 0xFE;
  }
  const std::size_t image = out.size();
  out.insert(out.end(), gif.begin() + frame.start, gif.begin() + frame.start + frame.length);
  std::fill(out.begin() + image + 1, out.begin() + image + 5, 0);
  if (frame.local_table) {
    const std::size_t count = std::size_t{2} << (out[image + 9] & 7);
    for (std::size_t i = 0; i < count; ++i) {
      out[image + 10 + 3 * i] = 0;
      out[image + 11 + 3 * i] = 0;
      out[image + 12 + 3 * i] = static_cast<std::uint8_t>(i);
    }
  }
  out.push_back(0x3B);
}

}  // namespace veltrano::picture::testing
