#include "anigif/gif_parser.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <new>
#include <string>

namespace veltrano::anigif {
namespace {

constexpr int32_t kFirstBlockSlots = 10;
constexpr int32_t kBlockSlotStep = 5;

std::string ScratchText(const std::vector<uint8_t>& bytes, bool upper) {
  std::string text(bytes.begin(), bytes.end());
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    c = static_cast<char>(upper ? std::toupper(u) : std::tolower(u));
  }
  return text;
}

}  // namespace

uint8_t GifParser::ReadByte() {
  if (d_.ReadPos < 1 || d_.ReadPos > Size()) throw GifReadError{};
  return d_.GifBytes[static_cast<size_t>(d_.ReadPos++ - 1)];
}

uint16_t GifParser::ReadWord() {
  if (d_.ReadPos < 1 || static_cast<int64_t>(d_.ReadPos) + 1 > Size()) throw GifReadError{};
  const size_t at = static_cast<size_t>(d_.ReadPos - 1);
  d_.ReadPos += 2;
  return static_cast<uint16_t>(d_.GifBytes[at] | (d_.GifBytes[at + 1] << 8));
}

void GifParser::ReadBytes(int32_t n) {
  // An empty scratch buffer cannot be made: that ends parsing like short data.
  if (n <= 0) throw GifReadError{};
  d_.ScratchBytes.assign(static_cast<size_t>(n), 0);
  const int64_t last = static_cast<int64_t>(d_.ReadPos) + n - 1;
  if (d_.ReadPos < 1 || last > Size()) return;
  std::copy_n(d_.GifBytes.begin() + (d_.ReadPos - 1), n, d_.ScratchBytes.begin());
  d_.ReadPos += n;
}

void GifParser::SkipSubBlocks() {
  // Never fails: a chain that runs off the end leaves the cursor beyond the
  // data, and the next read reports it.
  while (d_.ReadPos >= 1 && d_.ReadPos <= Size()) {
    const uint8_t length = d_.GifBytes[static_cast<size_t>(d_.ReadPos - 1)];
    if (length == 0) break;
    d_.ReadPos += length + 1;
  }
  d_.ReadPos += 1;
}

void GifParser::ReadColorTable(int32_t table, int32_t sizeCode) {
  if (sizeCode < 1 || sizeCode > 8 || d_.Pow2.size() < 9) throw GifReadError{};
  const int32_t count = d_.Pow2[static_cast<size_t>(sizeCode)];
  if (d_.ColorTables.size() < static_cast<size_t>(table) + 1) {
    d_.ColorTables.resize(static_cast<size_t>(table) + 1, ColorTable{});
  }
  const int64_t remaining = Size() - d_.ReadPos + 1;
  if (d_.ReadPos < 1 || remaining < 3 * static_cast<int64_t>(count)) throw GifReadError{};
  ColorTable& entries = d_.ColorTables[static_cast<size_t>(table)];
  const uint8_t* rgb = d_.GifBytes.data() + (d_.ReadPos - 1);
  for (int32_t i = 0; i < count; ++i, rgb += 3) {
    entries[static_cast<size_t>(i)] = (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
  }
  d_.ReadPos += 3 * count;
  entries[kColorCountSlot] = count;
}

int16_t GifParser::ParseGif() {
  int16_t kept = 0;
  try {
    ParseBlocks(kept);
  } catch (const GifReadError&) {
  } catch (const OverflowError&) {
  } catch (const std::bad_alloc&) {
  }
  if (kept != 0 && d_.FrameCount() < kept) d_.Frames.resize(static_cast<size_t>(kept));
  return kept;
}

void GifParser::ParseBlocks(int16_t& kept) {
  d_.BlockInfo.assign(kFirstBlockSlots, BlockRecord{});
  d_.ReadPos = 1;

  ReadBytes(6);
  const std::string signature = ScratchText(d_.ScratchBytes, false);
  if (signature != "gif89a" && signature != "gif87a") return;

  // The logical screen size is not used: the animation is sized by its frames.
  d_.ReadPos = 11;
  const uint8_t screenPacked = ReadByte();
  d_.ReadPos = 14;
  bool hasGlobalTable = false;
  if (screenPacked & 0x80) {
    d_.CurrentTable = 0;
    ReadColorTable(0, (screenPacked & 7) + 1);
    hasGlobalTable = true;
  }

  FrameInfo work;
  for (;;) {
    const uint8_t introducer = ReadByte();
    if (introducer == 0x00) continue;
    if (introducer == 0x21) {
      const uint8_t label = ReadByte();
      if (label == 0xFF) {
        ReadApplicationExtension();
      } else if (label == 0xF9) {
        ReadGraphicControl(work, kept);
      } else {
        // Comments, plain text and unknown labels; a pending graphic control
        // extension still applies to the next image.
        SkipSubBlocks();
      }
    } else if (introducer == 0x2C) {
      if (!ReadImage(work, kept, hasGlobalTable)) {
        kept = 0;  // an image without any colour table fails the whole load
        return;
      }
    } else {
      break;  // the trailer, or anything this parser does not know
    }
  }
}

void GifParser::ReadApplicationExtension() {
  const uint8_t blockSize = ReadByte();
  ReadBytes(blockSize);
  if (ScratchText(d_.ScratchBytes, true) == "NETSCAPE2.0") {
    const uint8_t subLength = ReadByte();
    if (subLength == 3) {
      d_.ReadPos += 1;  // sub-block index
      d_.GifInfo.Loops = ReadWord() & 0xFFFF;
    } else {
      d_.ReadPos -= 1;  // not the loop sub-block: walk it as a length
    }
  }
  SkipSubBlocks();
}

void GifParser::ReadGraphicControl(FrameInfo& work, int16_t kept) {
  work = FrameInfo{};
  work.StripX = d_.ReadPos - 2;
  ReadByte();  // block size: four data bytes are assumed
  const uint8_t packed = ReadByte();
  work.Disposal = static_cast<DisposalMethod>((packed >> 2) & 3);
  if (work.Disposal == DisposalMethod::kRestorePrevious && kept == 0) {
    work.Disposal = DisposalMethod::kUnspecified;
  }
  work.Delay = (ReadWord() & 0xFFFF) * 10;
  work.TransFlag = packed & 1;
  if (work.TransFlag == 1) {
    work.TransIndex = ReadByte();
  } else {
    d_.ReadPos = work.StripX + 7;
  }
  SkipSubBlocks();
}

bool GifParser::ReadImage(FrameInfo& work, int16_t& kept, bool hasGlobalTable) {
  const int32_t start = d_.ReadPos - 1;
  d_.BlockInfo[static_cast<size_t>(kept)].Start = start;
  if (work.StripX == 0) work.StripX = start;

  work.Left = ReadWord() & 0xFFFF;
  work.Top = ReadWord() & 0xFFFF;
  work.Width = ReadWord() & 0xFFFF;
  work.Height = ReadWord() & 0xFFFF;

  const uint8_t packed = ReadByte();
  if (packed & 0x80) {
    work.ColorTable = d_.CurrentTable + 1;
    ReadColorTable(work.ColorTable, (packed & 7) + 1);
    d_.CurrentTable = work.ColorTable;
  } else if (!hasGlobalTable) {
    return false;
  }

  ReadByte();  // LZW minimum code size, checked by the decoder
  SkipSubBlocks();

  const int32_t n = kept + 1;
  d_.Block(n).Length = d_.ReadPos - start;
  d_.Frames.push_back(work);
  kept = static_cast<int16_t>(n);
  if (work.Left + work.Width > d_.GifInfo.Width) d_.GifInfo.Width = work.Left + work.Width;
  if (work.Top + work.Height > d_.GifInfo.Height) d_.GifInfo.Height = work.Top + work.Height;
  work = FrameInfo{};

  // The frame counter is 16-bit: the block table cannot grow past 32767
  // slots, and parsing ends there with the frames kept so far.
  if (n == static_cast<int32_t>(d_.BlockInfo.size())) {
    if (n + kBlockSlotStep > std::numeric_limits<int16_t>::max()) throw OverflowError{};
    d_.BlockInfo.resize(static_cast<size_t>(n + kBlockSlotStep));
  }
  return true;
}

}  // namespace veltrano::anigif
