// A plain, step-by-step encoder for the export tests: the same stream as the
// production encoder, written the slow and obvious way (one code at a time
// through a 255-byte packet, a 32-bit accumulator, byte-wise output), so that
// the two can be compared byte for byte on many frames.
#pragma once

#include <cstdint>
#include <vector>

#include "anigif/export_frame.h"

namespace veltrano::anigif::testing {

std::vector<std::uint8_t> ReferenceEncode(const FramePixels& px, ColorTableView table,
                                          std::uint8_t trans_flag, std::uint8_t trans_index);

}  // namespace veltrano::anigif::testing
