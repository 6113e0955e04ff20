// The GIF variant of LZW decompression, bounded and fast.
//
// Rules for malformed data:
// - A missing leading clear code is accepted: the table starts as after a clear.
// - A code equal to the next free code is the usual "KwKwK" case (the
//   previous string plus its own first byte). A code beyond it, or a
//   "KwKwK" code with no previous string, cannot occur in valid data and ends
//   the image data (it could otherwise build strings out of themselves).
// - Minimum code sizes 9 to 11 (some encoders write them for small palettes)
//   decode like the others: the first codes are wider and fewer entries fit
//   in the 4096-entry table. A literal above 255 gives its low byte. A size
//   of 12 or more leaves no room for the clear and end codes in the table
//   and is refused.
// - When the table holds 4096 entries and no clear code comes, codes stay 12
//   bits wide and no entries are added.
// - A clear code may come anywhere; an end code may come before the last pixel.
// - A string longer than the pixels left is cut at the last pixel.
// - Data that ends early (no zero-length sub-block, or the input stops) ends
//   decoding after the last whole code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace veltrano::picture {

enum class LzwStop {
  kFull,       // every pixel was written
  kEndCode,    // an end code came first
  kBadCode,    // a code that cannot occur came first
  kOutOfData,  // the sub-blocks ended first
};

struct LzwOutcome {
  std::size_t written = 0;
  LzwStop stop = LzwStop::kFull;
};

// Largest LZW minimum code size a stream may declare.
inline constexpr int kMaxMinCodeSize = 11;

// Decodes the data sub-blocks in `chain` (from the first length byte on) with
// the given minimum code size (2..kMaxMinCodeSize) into `out[0 .. count)`, in stream order.
// Never reads outside `chain` and never writes outside `out[0 .. count)`.
// Bytes of `out` at or beyond the returned count are unspecified.
LzwOutcome DecodeLzw(std::span<const std::uint8_t> chain, int min_code_size, std::uint8_t* out,
                     std::size_t count);

}  // namespace veltrano::picture
