// Loads arbitrary bytes as a GIF picture, then hands the same bytes to the
// GIF control, which parses them, rebuilds every frame as a single-frame GIF,
// has the picture loader decode it into the frame strip and plays a few
// frames. Whatever the input, nothing may crash or touch memory outside its
// buffers, and a picture the loader returns must be whole: Width() × Height()
// readable indices.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "anigif/gif_parser.h"
#include "anigif/uc_ani_gif.h"
#include "platform/host/headless_control_host.h"
#include "platform/picture/picture.h"

namespace {

volatile unsigned g_pixel_sum;  // keeps the reads from being optimised away

void LoadAsPicture(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::picture;
  // A small pixel budget keeps each run cheap; the budget check itself is
  // exercised by inputs that declare large images.
  LoadOptions options;
  options.max_pixels = std::size_t{1} << 20;
  const LoadResult result = LoadPicture({data, size}, options);
  if (!result.ok()) return;
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
}

// Bytes the control's frame strip and canvas would take for this stream, as
// its own parser sees the frames: the sum of the frame widths times the
// tallest frame, plus a 24-bit canvas of the animation's size.
std::uint64_t StoreBytes(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::anigif;
  GifData gif;
  gif.GifBytes.assign(data, data + size);
  for (int k = 0; k <= 8; ++k) gif.Pow2.push_back(1 << k);
  GifParser parser(gif);
  if (parser.ParseGif() == 0) return 0;
  std::uint64_t strip_width = 0, strip_height = 0;
  for (const FrameInfo& f : gif.Frames) {
    strip_width += static_cast<std::uint64_t>(std::max(f.Width, 0));
    strip_height =
        std::max<std::uint64_t>(strip_height, static_cast<std::uint64_t>(std::max(f.Height, 0)));
  }
  const auto width = static_cast<std::uint64_t>(std::max(gif.GifInfo.Width, 0));
  const auto height = static_cast<std::uint64_t>(std::max(gif.GifInfo.Height, 0));
  return strip_width * strip_height + width * height * 3;
}

// Every frame is decoded during the load (no deferred decoding), then the
// clock runs a few frames, each composed and painted on a small surface.
void LoadInControl(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano;
  // Huge frames are refused by the control's own budget; below that budget
  // they would still cost a large allocation per run and slow fuzzing to a
  // crawl, so only streams of modest size go through the control.
  if (StoreBytes(data, size) > (std::uint64_t{1} << 20)) return;
  host::VirtualClock clock;
  host::HeadlessControlHost host(clock, /*userMode=*/true);
  host.Resize(48, 32);
  anigif::ucAniGIF control(host);
  control.SetDelayAnimation(0);
  const std::vector<std::uint8_t> bytes(data, data + size);
  if (!control.LoadAnimatedGIF_Array(anigif::ByteArrayArg::Of(bytes))) return;
  for (int tick = 0; tick < 8 && clock.FireNext(); ++tick) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  LoadAsPicture(data, size);
  LoadInControl(data, size);
  return 0;
}
