// The records a loaded GIF is described by: the animation as a whole, one
// record per frame, where each frame's image block lies in the raw data, and
// the colour tables.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace veltrano::anigif {

struct GifInfoRecord {
  int32_t Width = 0;   // largest Left + Width over all frames
  int32_t Height = 0;  // largest Top + Height over all frames
  int32_t Loops = 0;   // loop count from the file, 0..65535; 0 = none given
  float ScaleX = 0.0f;
  float ScaleY = 0.0f;
};

// What becomes of a frame's area once the frame has been shown.
enum class DisposalMethod : uint8_t {
  kUnspecified = 0,        // left as drawn
  kKeep = 1,               // left as drawn
  kRestoreBackground = 2,  // cleared to transparent
  kRestorePrevious = 3,    // put back as it was before the frame
};

struct FrameInfo {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Delay = 0;       // milliseconds (file value x 10)
  int32_t ColorTable = 0;  // 0 = global table, k = k-th local table
  // While parsing: 1-based position of the frame's first block in GifBytes.
  // Once decoded: x of the frame's left edge in the frame strip.
  int32_t StripX = 0;
  uint8_t TransIndex = 0;
  uint8_t TransFlag = 0;
  DisposalMethod Disposal = DisposalMethod::kUnspecified;
};

// Where a frame's image block lies in GifBytes: Start is the 1-based position
// of its "," byte, Length runs up to and including the data terminator.
struct BlockRecord {
  int32_t Length = 0;
  int32_t Start = 0;
};

// Arithmetic that does not fit the width a value is kept in.
struct OverflowError {};

// One colour table: entries 0..255 as 0x00RRGGBB (the RGBQUAD byte order),
// entry 256 the number of entries in use; unused entries are 0.
inline constexpr int kColorCountSlot = 256;
using ColorTable = std::array<int32_t, 257>;
using ColorTableList = std::vector<ColorTable>;  // table 0 global, 1..N local

// What the parser reads and fills. Positions into GifBytes are 1-based, as the
// frame records store them; Frames and BlockInfo are 1-based through Frame()
// and Block().
struct GifData {
  std::vector<uint8_t> GifBytes;  // empty = not created (or released)
  std::vector<int32_t> Pow2;      // 1, 2, 4, ..., 256 while a load runs
  int32_t ReadPos = 0;            // parser cursor, 1-based
  std::vector<uint8_t> ScratchBytes;

  GifInfoRecord GifInfo;
  std::vector<FrameInfo> Frames;       // frame count = size
  std::vector<BlockRecord> BlockInfo;  // size = its upper bound
  ColorTableList ColorTables;
  int32_t CurrentTable = 0;

  int32_t FrameCount() const { return static_cast<int32_t>(Frames.size()); }
  FrameInfo& Frame(int32_t i) { return Frames[static_cast<size_t>(i - 1)]; }
  const FrameInfo& Frame(int32_t i) const { return Frames[static_cast<size_t>(i - 1)]; }
  BlockRecord& Block(int32_t i) { return BlockInfo[static_cast<size_t>(i - 1)]; }
  const BlockRecord& Block(int32_t i) const { return BlockInfo[static_cast<size_t>(i - 1)]; }
};

// Empties a buffer and gives its memory back.
template <typename T>
void ReleaseBuffer(std::vector<T>& buffer) {
  std::vector<T>().swap(buffer);
}

}  // namespace veltrano::anigif
