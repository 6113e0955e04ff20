// anigif-tool: the animated GIF control on a headless host, from the command
// line.
//
//   anigif-tool info FILE
//       frame count, animation size, loop count and one line per frame
//   anigif-tool strip FILE OUT.pgm
//       the decoded palette indices of every frame, as the frame strip holds
//       them, as an 8-bit PGM (top row first)
//   anigif-tool frames FILE OUTDIR [--background RRGGBB] [--stretch N --size WxH]
//                                  [--mirror N]
//       one loop played in run mode; each frame as the control paints it onto
//       a surface of the background colour, as OUTDIR/frame_NNNN.ppm
//   anigif-tool export FILE N OUT.gif
//       frame N as the control's AnimatedGIF property hands it out: a
//       one-frame GIF of the frame's indices, colour table and transparency
//   anigif-tool props FILE OUT.props
//       the property set a form stores for a control that was given FILE in
//       the designer and otherwise keeps its defaults
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "anigif/property_bag.h"
#include "anigif/uc_ani_gif.h"
#include "platform/gdi/gdi.h"
#include "platform/host/headless_control_host.h"
#include "tools/command_line.h"
#include "tools/printable_text.h"
#include "veltrano_version.h"

namespace {

using veltrano::anigif::FrameInfo;
using veltrano::anigif::FrameStore;
using veltrano::anigif::kColorCountSlot;
using veltrano::anigif::ucAniGIF;
using veltrano::cli::PathFromUtf8;
using veltrano::host::HeadlessControlHost;
using veltrano::host::VirtualClock;
using veltrano::tools::Printable;

constexpr int kUsage = 2;
constexpr int kFailed = 1;

constexpr const char* kSynopsis =
    "usage: anigif-tool info FILE\n"
    "       anigif-tool strip FILE OUT.pgm\n"
    "       anigif-tool frames FILE OUTDIR [--background RRGGBB]"
    " [--stretch N --size WxH] [--mirror N]\n"
    "       anigif-tool export FILE N OUT.gif\n"
    "       anigif-tool props FILE OUT.props\n"
    "       anigif-tool --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "Loads a GIF file into the animated GIF control on a host without a window\n"
    "and reports or writes what the control holds.\n"
    "\n"
    "  info FILE              frame count, size, loop count and one line per frame\n"
    "  strip FILE OUT.pgm     the decoded palette indices of every frame, side by\n"
    "                         side as the frame strip holds them, as an 8-bit PGM\n"
    "  frames FILE OUTDIR     one loop played; each frame as the control paints\n"
    "                         it, as OUTDIR/frame_NNNN.ppm\n"
    "    --background RRGGBB  the colour under the control (default FFFFFF)\n"
    "    --size WxH           the control's size (default: the animation's size)\n"
    "    --stretch N          0 unscaled, 1 fit keeping the proportions (default),\n"
    "                         2 fill, 3 fit without enlarging, 4 the animation's\n"
    "                         size; used with --size\n"
    "    --mirror N           0 none (default), 1 horizontal, 2 vertical, 3 both\n"
    "  export FILE N OUT.gif  frame N as a one-frame GIF of its palette indices,\n"
    "                         colour table and transparency\n"
    "  props FILE OUT.props   the property set a form stores for a control that\n"
    "                         was given FILE in the designer\n"
    "  --help, -h             show this help and exit\n"
    "  --version              show the version and exit\n"
    "\n"
    "Exit status: 0 done; 1 failed (a file not loaded, no such frame, an output\n"
    "not written); 2 bad usage.\n";

int Usage() {
  std::cerr << kSynopsis;
  return kUsage;
}

int CannotLoad(const std::string& file) {
  // Not a GIF, damaged, or more than the control's frame store may hold.
  std::cerr << "anigif-tool: cannot load " << Printable(file) << "\n";
  return kFailed;
}

// Lets a deferred decoding that a load left pending run to its end.
void FinishDecoding(VirtualClock& clock, const ucAniGIF& control) {
  while (control.DeferredDecodePending() && clock.FireNext()) {
  }
}

int Info(const std::string& file) {
  VirtualClock clock;
  HeadlessControlHost host(clock, /*userMode=*/false);  // design mode: nothing plays
  ucAniGIF control(host);
  if (!control.LoadAnimatedGIF_File(file)) {
    return CannotLoad(file);
  }
  const FrameStore& s = control.Store();
  // Through std::cout, which reaches a console as characters (command_line.h).
  std::cout << "frames: " << control.FrameCount() << "\nsize: " << static_cast<int>(s.GifInfo.Width)
            << 'x' << static_cast<int>(s.GifInfo.Height)
            << "\nloops: " << static_cast<int>(s.GifInfo.Loops) << '\n';
  for (int32_t i = 1; i <= s.FrameCount(); ++i) {
    const FrameInfo& f = s.Frame(i);
    const int colours = s.ColorTables.at(static_cast<size_t>(f.ColorTable))[kColorCountSlot];
    std::string transparency = f.TransFlag ? "index " + std::to_string(f.TransIndex) : "none";
    std::string table = f.ColorTable == 0 ? "global" : "local " + std::to_string(f.ColorTable);
    const auto n = [](auto v) { return static_cast<int>(v); };  // bytes print as numbers
    std::cout << "frame " << i << ": rect " << n(f.Left) << ',' << n(f.Top) << ' ' << n(f.Width)
              << 'x' << n(f.Height) << " delay " << n(f.Delay) << " disposal " << n(f.Disposal)
              << " transparent " << transparency << " table " << table << " (" << colours << ")\n";
  }
  return 0;
}

int Strip(const std::string& file, const std::string& out) {
  VirtualClock clock;
  HeadlessControlHost host(clock, /*userMode=*/true);
  ucAniGIF control(host);
  if (!control.LoadAnimatedGIF_File(file)) {
    return CannotLoad(file);
  }
  FinishDecoding(clock, control);
  const FrameStore& s = control.Store();
  std::ofstream pgm(PathFromUtf8(out), std::ios::binary);
  pgm << "P5\n" << s.StripWidth << " " << s.StripHeight << "\n255\n";
  for (int32_t y = 0; y < s.StripHeight; ++y) {
    pgm.write(reinterpret_cast<const char*>(s.StripRow(y)), s.StripWidth);
  }
  if (!pgm.flush()) {
    std::cerr << "anigif-tool: cannot write " << Printable(out) << "\n";
    return kFailed;
  }
  return 0;
}

bool WritePpm(const HeadlessControlHost& host, const std::filesystem::path& path) {
  std::ofstream ppm(path, std::ios::binary);
  ppm << "P6\n" << host.SurfaceWidth() << " " << host.SurfaceHeight() << "\n255\n";
  for (int y = 0; y < host.SurfaceHeight(); ++y) {
    for (int x = 0; x < host.SurfaceWidth(); ++x) {
      const uint32_t c = host.SurfacePixel(x, y);
      const char rgb[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8),
                           static_cast<char>(c)};
      ppm.write(rgb, 3);
    }
  }
  return static_cast<bool>(ppm.flush());
}

bool ParseInt(std::string_view text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const std::string s(text);
  const long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < -1000000 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

int Frames(const std::string& file, const std::string& outDir,
           const std::vector<std::string>& options) {
  uint32_t background = 0xFFFFFF;
  int stretch = -1, mirror = 0, width = -1, height = -1;
  for (size_t i = 0; i < options.size(); ++i) {
    const std::string& o = options[i];
    if (i + 1 >= options.size()) return Usage();
    const std::string& v = options[++i];
    if (o == "--background") {
      char* end = nullptr;
      background = static_cast<uint32_t>(std::strtoul(v.c_str(), &end, 16));
      if (v.size() != 6 || *end != '\0') return Usage();
    } else if (o == "--stretch") {
      if (!ParseInt(v, stretch) || stretch < 0 || stretch > 4) return Usage();
    } else if (o == "--mirror") {
      if (!ParseInt(v, mirror) || mirror < 0 || mirror > 3) return Usage();
    } else if (o == "--size") {
      const size_t x = v.find('x');
      if (x == std::string::npos || !ParseInt(v.substr(0, x), width) ||
          !ParseInt(v.substr(x + 1), height) || width < 1 || height < 1) {
        return Usage();
      }
    } else {
      return Usage();
    }
  }
  // Without a size the control takes the animation's size.
  if (width < 0) stretch = 4;
  if (stretch < 0) stretch = 1;

  VirtualClock clock;
  HeadlessControlHost host(clock, /*userMode=*/true);
  host.SetBackground(veltrano::gdi::RGB(static_cast<uint8_t>(background >> 16),
                                        static_cast<uint8_t>(background >> 8),
                                        static_cast<uint8_t>(background)));
  host.Resize(width < 0 ? 1 : width, height < 0 ? 1 : height);
  ucAniGIF control(host);
  control.SetStretch(stretch);
  control.SetMirrored(mirror);
  if (!control.LoadAnimatedGIF_File(file)) {
    return CannotLoad(file);
  }
  FinishDecoding(clock, control);
  // The container settles the control's size once it is loaded.
  host.Resize(static_cast<int>(host.ClientWidth()), static_cast<int>(host.ClientHeight()));

  // Frame 1 is painted before anything is written: a surface above the
  // host's budget is refused, and then nothing is written at all.
  host.RepaintNow();
  if (!host.Surface()) {
    std::cerr << "anigif-tool: refused: a surface of " << host.ClientWidth() << "x"
              << host.ClientHeight() << " pixels would take more than "
              << (HeadlessControlHost::kMaxSurfaceBytes >> 20) << " MiB\n";
    return kFailed;
  }

  std::error_code ec;
  std::filesystem::create_directories(PathFromUtf8(outDir), ec);
  const int32_t count = control.FrameCount();
  for (int32_t n = 1; n <= count; ++n) {
    if (n > 1 && !clock.FireNext()) {
      std::cerr << "anigif-tool: the animation stopped at frame " << n - 1 << "\n";
      return kFailed;
    }
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04d.ppm", static_cast<int>(n));
    if (!WritePpm(host, PathFromUtf8(outDir) / name)) {
      std::cerr << "anigif-tool: cannot write " << Printable(outDir) << "/" << name << "\n";
      return kFailed;
    }
  }
  return 0;
}

bool ReadFile(const std::string& file, std::vector<uint8_t>& out) {
  std::ifstream in(PathFromUtf8(file), std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteFile(const std::string& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(PathFromUtf8(file), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

int Export(const std::string& file, const std::string& frame, const std::string& outFile) {
  int n = 0;
  if (!ParseInt(frame, n) || n < 1) return Usage();
  VirtualClock clock;
  HeadlessControlHost host(clock, /*userMode=*/true);
  ucAniGIF control(host);
  control.SetDelayAnimation(2);  // decode everything, stay on frame 1
  if (!control.LoadAnimatedGIF_File(file)) {
    return CannotLoad(file);
  }
  FinishDecoding(clock, control);
  if (n > control.FrameCount()) {
    std::cerr << "anigif-tool: " << Printable(file) << " has " << control.FrameCount()
              << " frames\n";
    return kFailed;
  }
  while (control.CurrentFrame() != n) control.SetAction(3);  // step
  const veltrano::host::PictureRef picture = control.AnimatedGIF();
  if (!picture) {
    std::cerr << "anigif-tool: frame " << n << " cannot be exported\n";
    return kFailed;
  }
  if (!WriteFile(outFile, picture->gifBytes)) {
    std::cerr << "anigif-tool: cannot write " << Printable(outFile) << "\n";
    return kFailed;
  }
  return 0;
}

int Props(const std::string& file, const std::string& outFile) {
  std::vector<uint8_t> gif;
  if (!ReadFile(file, gif)) {
    std::cerr << "anigif-tool: cannot read " << Printable(file) << "\n";
    return kFailed;
  }
  VirtualClock clock;
  HeadlessControlHost host(clock, /*userMode=*/false);  // the form designer
  ucAniGIF control(host);
  const veltrano::host::PictureRef picture = veltrano::anigif::MakePictureObject(std::move(gif));
  if (picture) control.SetAnimatedGIF(picture);
  if (control.CurrentFrame() == 0) {
    return CannotLoad(file);
  }
  veltrano::anigif::PropertyBag bag;
  control.WriteProperties(bag);
  if (!WriteFile(outFile, bag.Serialize())) {
    std::cerr << "anigif-tool: cannot write " << Printable(outFile) << "\n";
    return kFailed;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  veltrano::cli::PrepareConsole();
  const std::vector<std::string> args = veltrano::cli::Arguments(argc, argv);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kSynopsis << kHelp;
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "anigif-tool (Veltrano) " VELTRANO_VERSION "\n";
    return 0;
  }
  if (args.size() == 2 && args[0] == "info") return Info(args[1]);
  if (args.size() == 3 && args[0] == "strip") return Strip(args[1], args[2]);
  if (args.size() >= 3 && args[0] == "frames") {
    return Frames(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
  }
  if (args.size() == 4 && args[0] == "export") return Export(args[1], args[2], args[3]);
  if (args.size() == 3 && args[0] == "props") return Props(args[1], args[2]);
  return Usage();
}
