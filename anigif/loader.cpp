// Where GIF data comes from: a file, a caller's byte array, or a remote path
// that the host reads in the background. Every source fills GifBytes and
// runs the common load driver, which leaves the control empty on failure.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <system_error>

#include "anigif/anigif_texts.h"
#include "anigif/gif_parser.h"
#include "anigif/uc_ani_gif.h"

namespace veltrano::anigif {
namespace {

// Positions into GifBytes are signed 32-bit: larger data cannot be parsed.
constexpr uint64_t kMaxGifBytes = std::numeric_limits<int32_t>::max() - 1024;
constexpr uint32_t kUseCacheOnNetworkFailure = 0x80000;
constexpr int64_t kSmallestRemoteGif = 15;

bool IsGifSignature(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 6) return false;
  std::string text(bytes.begin(), bytes.begin() + 6);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text == "gif89a" || text == "gif87a";
}

// Copies as many bytes as `target` holds from `source`, never reading beyond
// what `source` really has; the rest stays zero.
void FillGifBytes(std::vector<uint8_t>& target, const std::vector<uint8_t>& source) {
  std::copy_n(source.begin(), std::min(target.size(), source.size()), target.begin());
}

// Reads a regular file whole; false when it cannot be read completely.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& out) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size == 0 || size > kMaxGifBytes) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(static_cast<size_t>(size), 0);
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
  if (static_cast<uintmax_t>(in.gcount()) != size) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace

ByteArrayArg ByteArrayArg::Of(const std::vector<uint8_t>& bytes) {
  return ByteArrayArg{bytes.data(), bytes.size(), 1, {static_cast<uint32_t>(bytes.size())}};
}

ByteArrayArg ByteArrayArg::Of2D(const std::vector<uint8_t>& bytes, uint32_t dim1, uint32_t dim2) {
  return ByteArrayArg{bytes.data(), bytes.size(), 1, {dim1, dim2}};
}

bool IsNarrowName(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) continue;
    // U+0080..U+00FF are the two-byte sequences led by 0xC2 or 0xC3.
    if ((c == 0xC2 || c == 0xC3) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

int32_t ucAniGIF::LoadGif() {
  FrameStore& s = store_;
  ResetGif();
  s.GifInfo = GifInfoRecord{};
  int32_t n = 0;
  if (!s.GifBytes.empty()) {
    s.Pow2 = {1, 2, 4, 8, 16, 32, 64, 128, 256};
    n = GifParser(s).ParseGif();
    if (n != 0) {
      s.ScratchBytes.clear();
      s.ReadPos = 0;
      bool firstPass = true;
      if (!BuildFrames(firstPass)) {
        n = 0;
      } else if (UserMode() && n == 1) {
        host_.RepaintNow();
        RaiseFrameChanged(1, false);
      }
    }
    if (n != 0) return n;
  }
  ReleaseBuffer(s.GifBytes);
  ResetGif();
  return 0;
}

void ucAniGIF::ResizeToStretch() {
  // The modes in which the image decides the control's size.
  if (Stretch_ == StretchMode::kFit || Stretch_ == StretchMode::kShrinkToFit ||
      Stretch_ == StretchMode::kImageSize) {
    OnResize();
  }
}

bool ucAniGIF::LoadAnimatedGIF_File(std::string_view FileName) {
  // A name that cannot be read must not reload whatever GifBytes still held
  // from an earlier load and report that as success.
  store_.GifBytes.clear();
  (void)IsNarrowName(FileName);  // both kinds open the same way here
  const std::u8string utf8(FileName.begin(), FileName.end());
  ReadWholeFile(std::filesystem::path(utf8), store_.GifBytes);
  if (LoadGif() == 0) return false;
  ResizeToStretch();
  return true;
}

bool ucAniGIF::LoadAnimatedGIF_Array(const ByteArrayArg& Bytes) {
  store_.GifBytes.clear();
  if (Bytes.data != nullptr && !Bytes.dims.empty() && Bytes.dims.size() <= 2) {
    // Element size x element counts, in 32-bit arithmetic.
    uint64_t size = Bytes.elementSize;
    for (uint32_t d : Bytes.dims) size *= d;
    if (size > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return false;
    // An empty array, or a descriptor that claims more than the storage has.
    if (size == 0 || size > Bytes.available || size > kMaxGifBytes) return false;
    store_.GifBytes.assign(Bytes.data, Bytes.data + size);
  }
  if (LoadGif() == 0) return false;
  ResizeToStretch();
  return true;
}

void ucAniGIF::LoadAnimatedGIF_Remote(std::string_view RemotePath) {
  if (RemotePath.empty()) return;
  if (!host_.AsyncRead(RemotePath, texts::kRemoteProperty, kUseCacheOnNetworkFailure)) {
    if (events_.RemoteLoadFailure) events_.RemoteLoadFailure();
  }
}

void ucAniGIF::OnAsyncReadProgress(std::string_view propertyName, int32_t status) {
  if (status != 0) return;
  host_.CancelAsyncRead(propertyName);
  if (events_.RemoteLoadFailure) events_.RemoteLoadFailure();
}

void ucAniGIF::OnAsyncReadComplete(std::string_view, const std::vector<uint8_t>& data,
                                   int64_t totalBytes) {
  if (totalBytes < kSmallestRemoteGif) {
    if (events_.RemoteLoadFailure) events_.RemoteLoadFailure();
    return;
  }
  std::vector<uint8_t> header(10, 0);
  FillGifBytes(header, data);
  // The header stands in GifBytes while it is checked; whatever GifBytes
  // held before is released either way.
  store_.GifBytes.clear();
  if (!IsGifSignature(header)) {
    if (events_.RemoteLoadFailure) events_.RemoteLoadFailure();
    return;
  }
  const int32_t width = header[6] | (header[7] << 8);
  const int32_t height = header[8] | (header[9] << 8);
  const auto w = static_cast<float>(std::floor(host_.Convert(
      width, host::Axis::kHorizontal, host::ScaleUnit::kPixels, host::ScaleUnit::kContainerSize)));
  const auto h = static_cast<float>(std::floor(host_.Convert(
      height, host::Axis::kVertical, host::ScaleUnit::kPixels, host::ScaleUnit::kContainerSize)));
  bool Cancel = false;
  if (events_.RemoteLoadComplete) events_.RemoteLoadComplete(w, h, Cancel);
  if (Cancel) return;

  // Only what really arrived is loaded: a reported total beyond it would add
  // nothing but zeros.
  const uint64_t size = std::min<uint64_t>(static_cast<uint64_t>(totalBytes), data.size());
  if (size == 0 || size > kMaxGifBytes) {
    store_.GifBytes.clear();
  } else {
    store_.GifBytes.assign(static_cast<size_t>(size), 0);
    FillGifBytes(store_.GifBytes, data);
  }
  if (LoadGif() != 0) ResizeToStretch();
}

}  // namespace veltrano::anigif
