// A small GIF writer for tests: an LZW encoder with knobs for the unusual
// streams a decoder must survive, and a file writer that lays out headers,
// tables, extensions and frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace veltrano::picture::testing {

struct LzwOptions {
  bool leading_clear = true;
  // When the table is full: false = emit a clear at once (what most encoders
  // do); true = keep going with 12-bit codes and a full table.
  bool defer_clear = false;
  // With defer_clear: emit the clear after this many codes on a full table
  // (0 = never).
  int clear_after_full = 0;
  // Emit a clear after every this many codes (0 = never).
  int clear_every = 0;
  // Encode only the first `stop_after` pixels, then the end code (-1 = all).
  long stop_after = -1;
  bool end_code = true;
};

struct LzwStream {
  std::vector<std::uint8_t> bytes;
  // After each code that yields pixels: the bit position where that code
  // ends and the number of pixels decoded once it is read.
  struct Mark {
    std::size_t bit_end;
    std::size_t pixels;
  };
  std::vector<Mark> marks;
  std::size_t codes = 0;       // every code written, clears and end included
  std::size_t full_codes = 0;  // codes written while the table was full
};

LzwStream EncodeLzw(std::span<const std::uint8_t> pixels, int min_code_size,
                    const LzwOptions& options = {});

// Pixels covered by the codes wholly inside the first `data_bytes` bytes.
std::size_t PixelsWithin(const LzwStream& stream, std::size_t data_bytes);

// Splits LZW bytes into data sub-blocks of at most `block` bytes, followed by
// the zero terminator (unless `terminate` is false).
std::vector<std::uint8_t> ToSubBlocks(std::span<const std::uint8_t> data, int block = 255,
                                      bool terminate = true);

struct FrameSpec {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool interlaced = false;
  std::vector<std::uint32_t> local_table;  // 0x00RRGGBB; empty = none
  int min_code_size = 8;
  std::vector<std::uint8_t> pixels;  // width × height indices, top row first
  bool control = false;              // write a graphic control extension
  int disposal = 0;
  int delay = 0;
  std::optional<std::uint8_t> transparent;
  LzwOptions lzw;
  int block = 255;  // sub-block size
};

struct GifSpec {
  std::string signature = "GIF89a";
  int screen_width = 0;  // 0 = the union of the frames
  int screen_height = 0;
  std::vector<std::uint32_t> global_table;  // empty = none
  std::optional<int> loops;
  bool comment = false;  // a comment extension before the first frame
  std::vector<FrameSpec> frames;
};

// The pieces of a file: the 3-bit size field of a colour table of `entries`
// colours, a little-endian word, and a table (0x00RRGGBB entries) padded to
// the size its field gives.
int TableSizeField(std::size_t entries);
void PutWord(std::vector<std::uint8_t>& out, int v);
void PutTable(std::vector<std::uint8_t>& out, const std::vector<std::uint32_t>& table);

// Writes the file. Colour tables are padded to a power of two (at least 2).
std::vector<std::uint8_t> WriteGif(const GifSpec& desc);

// The bytes of one frame's image data (LZW stream and sub-blocks) as WriteGif
// lays them out, so that tests can predict truncation.
LzwStream EncodeFrame(const FrameSpec& frame);

// Reorders rows from display order to interlaced storage order.
std::vector<std::uint8_t> InterlaceRows(std::span<const std::uint8_t> pixels, int width,
                                        int height);

}  // namespace veltrano::picture::testing
