// The composed frames of the control against ImageMagick's "convert -coalesce",
// pixel by pixel over an opaque background colour.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/anigif/control_fixture.h"
#include "tests/testing/temp_folder.h"

namespace veltrano::anigif::testing {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kBackground = 0x336699;
// The logical screen's background colour: the last entry of every global
// table, used by no frame, so that it marks where ImageMagick paints it.
constexpr uint32_t kScreenBackground = 0xFE01FD;
constexpr uint8_t kScreenBackgroundIndex = 15;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
};

bool ReadPpm(const fs::path& path, Image& out) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> out.width >> out.height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255 || !in) return false;
  std::vector<unsigned char> rgb(static_cast<size_t>(out.width) * out.height * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  if (!in) return false;
  out.pixels.resize(rgb.size() / 3);
  for (size_t i = 0; i < out.pixels.size(); ++i) {
    out.pixels[i] = (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
  }
  return true;
}

bool HaveConvert() {
#ifdef _WIN32
  return false;  // the oracle is run through a POSIX shell
#else
  return std::system("command -v convert >/dev/null 2>&1") == 0;
#endif
}

// ImageMagick's composed frames of `gif` over the background colour.
std::vector<Image> Coalesce(const Bytes& gif) {
  const veltrano::testing::TempFolder folder;
  const fs::path dir = folder.path();
  const fs::path file = dir / "in.gif";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
  char colour[16];
  std::snprintf(colour, sizeof colour, "#%06X", kBackground);
  const std::string command = "convert '" + file.string() + "' -coalesce -background '" + colour +
                              "' -alpha remove -alpha off '" + (dir / "f_%04d.ppm").string() +
                              "' 2>/dev/null";
  std::vector<Image> frames;
  if (std::system(command.c_str()) != 0) return frames;
  for (int i = 0;; ++i) {
    char leaf[32];
    std::snprintf(leaf, sizeof leaf, "f_%04d.ppm", i);
    Image image;
    if (!ReadPpm(dir / leaf, image)) break;
    frames.push_back(std::move(image));
  }
  return frames;
}

// The control's frames as its paint handler draws them, one loop, on a host
// of the background colour, the control sized to the animation.
std::vector<Image> Play(const Bytes& gif) {
  ControlFixture fx(true, 1, 1);
  fx.host.SetBackground(gdi::QuadValueToColorRef(kBackground));
  fx.control.SetStretch(4);
  std::vector<Image> frames;
  if (!fx.Load(gif)) return frames;
  while (fx.control.DeferredDecodePending()) fx.clock.FireNext();
  for (int n = 1; n <= fx.control.FrameCount(); ++n) {
    if (n == 1) {
      fx.host.RepaintNow();
    } else if (!fx.clock.FireNext()) {
      break;
    }
    Image image;
    image.width = fx.host.SurfaceWidth();
    image.height = fx.host.SurfaceHeight();
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) image.pixels.push_back(fx.host.SurfacePixel(x, y));
    }
    frames.push_back(std::move(image));
  }
  return frames;
}

FrameSpec With(FrameSpec f, int disposal, int trans = -1) {
  f.disposal = disposal;
  f.transIndex = trans;
  return f;
}

// Frames whose pixels use every index of `colors`, with holes of index 0.
FrameSpec Holed(int left, int top, int w, int h, int colors, int seed) {
  FrameSpec f = Frame(left, top, w, h, colors, seed);
  for (size_t i = 0; i < f.image.pixels.size(); i += 3) f.image.pixels[i] = 0;
  return f;
}

struct OracleCase {
  std::string name;
  std::vector<FrameSpec> frames;
};

// The frames use at most 8 colours of a 16-entry global table whose last
// entry is the screen background.
Bytes OracleGif(const std::vector<FrameSpec>& frames) {
  int width = 0, height = 0;
  for (const FrameSpec& f : frames) {
    width = std::max(width, f.image.left + f.image.width);
    height = std::max(height, f.image.top + f.image.height);
  }
  std::vector<uint32_t> table = Ramp(16);
  table[kScreenBackgroundIndex] = kScreenBackground;
  Bytes gif;
  AppendHeader(gif, "GIF89a", width, height, table, kScreenBackgroundIndex);
  for (const FrameSpec& f : frames) {
    AppendControl(gif, f.disposal, f.delayCs, f.transIndex);
    AppendImage(gif, f.image, true);
  }
  AppendTrailer(gif);
  return gif;
}

std::vector<OracleCase> Corpus() {
  std::vector<OracleCase> cases;
  cases.push_back(
      {"offsets_disposal0",
       {Frame(0, 0, 24, 16, 8, 1), Frame(5, 3, 10, 6, 8, 2), Frame(12, 9, 12, 7, 8, 3)}});
  cases.push_back({"transparent_over_earlier",
                   {With(Frame(0, 0, 20, 20, 8, 1), 1), With(Holed(2, 2, 16, 16, 8, 2), 1, 0),
                    With(Holed(6, 0, 10, 20, 8, 3), 1, 0)}});
  cases.push_back({"restore_to_background",
                   {With(Frame(0, 0, 20, 20, 8, 1), 1), With(Holed(4, 4, 10, 10, 8, 2), 2, 0),
                    With(Holed(0, 10, 20, 10, 8, 3), 1, 0), With(Frame(8, 8, 4, 4, 8, 4), 2)}});
  cases.push_back({"restore_to_previous",
                   {With(Frame(0, 0, 20, 20, 8, 1), 1), With(Holed(3, 3, 12, 9, 8, 2), 3, 0),
                    With(Frame(10, 10, 9, 9, 8, 3), 3), With(Holed(1, 1, 18, 5, 8, 4), 1, 0)}});
  {
    OracleCase local{"local_tables", {}};
    // Frame 1 covers the whole animation: ImageMagick takes the screen
    // background of a file whose first frame has its own table from
    // elsewhere, and that area is compared by the small_first_frame case.
    for (int i = 0; i < 4; ++i) {
      FrameSpec f = i == 0 ? With(Frame(0, 0, 25, 18, 16, 0), 1)
                           : With(Holed(i * 3, i * 2, 16, 12, 16 << (i % 2), i), 1, 0);
      f.image.localTable = Ramp(16 << (i % 2));
      for (uint32_t& c : f.image.localTable) c ^= 0x5A3C00 * static_cast<uint32_t>(i + 1);
      local.frames.push_back(f);
    }
    cases.push_back(local);
  }
  cases.push_back({"small_first_frame",
                   {With(Frame(6, 4, 8, 8, 8, 1), 1), With(Frame(0, 0, 24, 6, 8, 2), 1),
                    With(Holed(0, 0, 24, 18, 8, 3), 1, 0)}});
  cases.push_back({"small_transparent_first_frame",
                   {With(Holed(6, 4, 8, 8, 8, 1), 1, 0), With(Holed(0, 0, 24, 18, 8, 2), 1, 0)}});
  {
    OracleCase interlaced{
        "interlaced", {With(Frame(0, 0, 13, 19, 8, 1), 1), With(Holed(2, 1, 9, 17, 8, 2), 1, 0)}};
    for (FrameSpec& f : interlaced.frames) f.image.interlaced = true;
    cases.push_back(interlaced);
  }
  cases.push_back({"all_restore_to_background",
                   {With(Frame(0, 0, 16, 16, 8, 1), 2), With(Holed(4, 4, 8, 8, 8, 2), 2, 0),
                    With(Frame(2, 8, 14, 8, 8, 3), 2)}});
  return cases;
}

// Where the rules differ by design. ImageMagick starts the composition from
// the logical screen's background colour and paints it where a frame is
// disposed to the background; this control starts from an empty, transparent
// image and makes disposed areas transparent, so its container's background
// shows there. Every pixel where ImageMagick shows the screen background
// must show the container's background here; every other pixel must match.
uint32_t ExpectedPixel(uint32_t imageMagick) {
  return imageMagick == kScreenBackground ? kBackground : imageMagick;
}

TEST(CoalesceOracle, ComposedFramesMatchImageMagick) {
  if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  for (const OracleCase& c : Corpus()) {
    const Bytes gif = OracleGif(c.frames);
    const std::vector<Image> expected = Coalesce(gif);
    const std::vector<Image> got = Play(gif);
    ASSERT_EQ(expected.size(), c.frames.size()) << c.name;
    ASSERT_EQ(got.size(), c.frames.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].width, expected[i].width) << c.name << " frame " << i + 1;
      ASSERT_EQ(got[i].height, expected[i].height) << c.name << " frame " << i + 1;
      int differing = 0;
      std::ostringstream first;
      for (size_t k = 0; k < got[i].pixels.size(); ++k) {
        const uint32_t want = ExpectedPixel(expected[i].pixels[k]);
        if (got[i].pixels[k] != want && differing++ == 0) {
          first << std::hex << " first at (" << std::dec << k % got[i].width << ", "
                << k / got[i].width << "): " << std::hex << got[i].pixels[k] << " instead of "
                << want;
        }
      }
      EXPECT_EQ(differing, 0) << c.name << " frame " << i + 1 << first.str();
    }
  }
}

}  // namespace
}  // namespace veltrano::anigif::testing
