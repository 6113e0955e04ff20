// Loads arbitrary bytes as a GIF picture. Whatever the input, the loader must
// neither crash nor touch memory outside its buffers, and a picture it
// returns must be whole: Width() × Height() readable indices.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/picture/picture.h"

namespace {
volatile unsigned g_pixel_sum;  // keeps the reads from being optimised away
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::picture;
  // A small pixel budget keeps each run cheap; the budget check itself is
  // exercised by inputs that declare large images.
  LoadOptions options;
  options.max_pixels = std::size_t{1} << 20;
  const LoadResult result = LoadPicture({data, size}, options);
  if (!result.ok()) return 0;
  const Picture& picture = *result.picture;
  if (picture.Width() <= 0 || picture.Height() <= 0 ||
      picture.Indices().size() !=
          static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(picture.Height()) ||
      picture.Palette().size() > 256) {
    std::abort();
  }
  // Read every pixel so that the sanitizers see the whole buffer.
  unsigned sum = 0;
  for (std::uint8_t v : picture.Indices()) sum += v;
  g_pixel_sum = sum;
  return 0;
}
