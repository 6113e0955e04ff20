#include "tests/platform/picture/giflib_oracle.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace veltrano::picture::testing {
namespace {

struct MemorySource {
  std::span<const std::uint8_t> bytes;
  std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  const std::size_t n =
      std::min<std::size_t>(static_cast<std::size_t>(length), src->bytes.size() - src->pos);
  std::memcpy(buffer, src->bytes.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

std::vector<std::uint32_t> ToPalette(const ColorMapObject* map) {
  std::vector<std::uint32_t> palette;
  if (map == nullptr) return palette;
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType c = map->Colors[i];
    palette.push_back((std::uint32_t{c.Red} << 16) | (std::uint32_t{c.Green} << 8) | c.Blue);
  }
  return palette;
}

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), buffer, buffer + length);
  return length;
}

// giflib wants tables of a power-of-two size.
ColorMapObject* ToColorMap(const std::vector<std::uint32_t>& palette) {
  if (palette.empty()) return nullptr;
  int size = 2;
  while (size < static_cast<int>(palette.size())) size *= 2;
  std::vector<GifColorType> colors(size, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < palette.size(); ++i) {
    colors[i] = {static_cast<GifByteType>(palette[i] >> 16),
                 static_cast<GifByteType>(palette[i] >> 8), static_cast<GifByteType>(palette[i])};
  }
  return GifMakeMapObject(size, colors.data());
}

// giflib copies each local table it is given and frees neither the previous
// copy nor the last one.
void DropLocalTableCopy(GifFileType* gif) {
  if (gif->Image.ColorMap != nullptr) {
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeWithGiflib(const GifSpec& desc) {
  std::vector<std::uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
  if (gif == nullptr) return {};
  EGifSetGifVersion(gif, true);
  int sw = desc.screen_width, sh = desc.screen_height;
  for (const auto& f : desc.frames) {
    sw = std::max(sw, f.left + f.width);
    sh = std::max(sh, f.top + f.height);
  }
  ColorMapObject* global = ToColorMap(desc.global_table);
  bool ok = EGifPutScreenDesc(gif, sw, sh, 8, 0, global) == GIF_OK;
  GifFreeMapObject(global);
  for (const auto& f : desc.frames) {
    if (!ok) break;
    if (f.control) {
      const GifByteType gce[4] = {
          static_cast<GifByteType>(((f.disposal & 7) << 2) | (f.transparent ? 1 : 0)),
          static_cast<GifByteType>(f.delay & 0xFF), static_cast<GifByteType>(f.delay >> 8),
          f.transparent.value_or(0)};
      ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) == GIF_OK;
    }
    DropLocalTableCopy(gif);
    ColorMapObject* local = ToColorMap(f.local_table);
    ok = ok &&
         EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local) == GIF_OK;
    GifFreeMapObject(local);
    std::vector<std::uint8_t> rows =
        f.interlaced ? InterlaceRows(f.pixels, f.width, f.height) : f.pixels;
    for (int y = 0; ok && y < f.height; ++y) {
      ok = EGifPutLine(gif, rows.data() + static_cast<std::size_t>(y) * f.width, f.width) == GIF_OK;
    }
  }
  DropLocalTableCopy(gif);
  EGifCloseFile(gif, &error);
  return ok ? out : std::vector<std::uint8_t>{};
}

std::optional<std::vector<OracleFrame>> DecodeWithGiflib(std::span<const std::uint8_t> bytes) {
  MemorySource source{bytes};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, ReadFromMemory, &error);
  if (gif == nullptr) return std::nullopt;
  std::optional<std::vector<OracleFrame>> result;
  if (DGifSlurp(gif) == GIF_OK) {
    result.emplace();
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage& image = gif->SavedImages[i];
      OracleFrame frame;
      frame.left = image.ImageDesc.Left;
      frame.top = image.ImageDesc.Top;
      frame.width = image.ImageDesc.Width;
      frame.height = image.ImageDesc.Height;
      frame.interlaced = image.ImageDesc.Interlace;
      frame.palette =
          ToPalette(image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap);
      const std::size_t n = static_cast<std::size_t>(frame.width) * frame.height;
      frame.indices.assign(image.RasterBits, image.RasterBits + n);
      result->push_back(std::move(frame));
    }
  }
  DGifCloseFile(gif, &error);
  return result;
}

}  // namespace veltrano::picture::testing
