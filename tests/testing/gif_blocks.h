// Builds GIF data block by block for the tests: header and tables, loop and
// graphic control extensions, images with LZW data from the one encoder of
// gif_writer.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrano::anigif::testing {

using Bytes = std::vector<uint8_t>;

struct ImageSpec {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  std::vector<uint8_t> pixels;       // width x height indices, top row first
  std::vector<uint32_t> localTable;  // 0xRRGGBB; empty = no local table
  bool interlaced = false;
  int minCodeSize = 0;  // 0 = chosen from the table size
};

// Signature (e.g. "GIF89a"), logical screen, optional global table (padded
// to a power of two).
void AppendHeader(Bytes& out, const std::string& signature, int width, int height,
                  const std::vector<uint32_t>& globalTable, uint8_t background = 0);
void AppendLoops(Bytes& out, int loops, const std::string& identifier = "NETSCAPE2.0");
// transIndex < 0: no transparency. packedExtra is ORed into the packed byte.
void AppendControl(Bytes& out, int disposal, int delayCs, int transIndex, uint8_t packedExtra = 0);
void AppendComment(Bytes& out, const std::string& text);
void AppendImage(Bytes& out, const ImageSpec& image, bool fileHasGlobalTable);
void AppendTrailer(Bytes& out);

// A grey ramp of n colours.
std::vector<uint32_t> Ramp(size_t n);
// Pixels of a w x h image filled with a simple pattern of `colors` indices.
std::vector<uint8_t> Pattern(int width, int height, int colors, int seed = 0);

}  // namespace veltrano::anigif::testing
