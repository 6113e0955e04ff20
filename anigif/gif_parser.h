// Walks GIF87a/GIF89a data once and records every image: rectangle, delay,
// disposal, transparency, colour table and where its image block lies. The
// LZW data itself is skipped; the frame builder decodes it later.
#pragma once

#include <cstdint>
#include <string_view>

#include "anigif/gif_types.h"

namespace veltrano::anigif {

// Raised by the read primitives when the data ends early. The parser always
// catches it itself; it never reaches a user of the control.
struct GifReadError {
  int32_t Number = 53;
  std::string_view Source = "ReadGifFile";
  std::string_view Description = "End of File";
};

class GifParser {
 public:
  // Reads data.GifBytes and data.Pow2; fills GifInfo (size, loops), Frames,
  // BlockInfo, ColorTables and CurrentTable, which must be empty.
  explicit GifParser(GifData& data) : d_(data) {}

  // Returns the number of frames kept; 0 means the data is not usable.
  int16_t ParseGif();

  uint8_t ReadByte();
  uint16_t ReadWord();
  void ReadBytes(int32_t n);
  void SkipSubBlocks();
  void ReadColorTable(int32_t table, int32_t sizeCode);

 private:
  void ParseBlocks(int16_t& kept);
  void ReadApplicationExtension();
  void ReadGraphicControl(FrameInfo& work, int16_t kept);
  // Returns false when the image has no colour table at all.
  bool ReadImage(FrameInfo& work, int16_t& kept, bool hasGlobalTable);
  int64_t Size() const { return static_cast<int64_t>(d_.GifBytes.size()); }

  GifData& d_;
};

}  // namespace veltrano::anigif
