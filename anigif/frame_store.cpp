#include "anigif/frame_store.h"

#include <limits>

namespace veltrano::anigif {

uint8_t* FrameStore::StripRow(int32_t y) const {
  const int64_t stride = (static_cast<int64_t>(StripWidth) * 8 + 31) / 32 * 4;
  return StripBits + static_cast<int64_t>(StripHeight - 1 - y) * stride;
}

int32_t ScanlineBytes(int32_t bitsPerPixel, int32_t width) {
  const int64_t bits = static_cast<int64_t>(width) * bitsPerPixel + 31;
  if (bits > std::numeric_limits<int32_t>::max() || bits < 0) throw OverflowError{};
  return static_cast<int32_t>((bits & ~int64_t{31}) / 8);
}

std::optional<picture::Picture> LoadPictureFromBytes(const std::vector<uint8_t>& buffer,
                                                     size_t length) {
  if (length > buffer.size()) length = buffer.size();
  picture::LoadResult result = picture::LoadPicture({buffer.data(), length});
  if (!result.ok()) return std::nullopt;
  return std::move(result.picture);
}

bool LoadPictureFromBytes(const std::vector<uint8_t>& buffer, size_t length,
                          picture::Picture& into) {
  if (length > buffer.size()) length = buffer.size();
  return picture::LoadPictureInto({buffer.data(), length}, into) == picture::LoadError::kNone;
}

}  // namespace veltrano::anigif
