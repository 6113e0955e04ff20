// The GIF control against Qt's QMovie, side by side in one run: per frame
// shown, and for loading an animation and composing every frame once.
//
//   anigif_qmovie_bench [--rounds N] [--inputs DIR] [--only NAME]
//
// Run it pinned to one core (taskset -c 1 ...). Every figure is thread CPU
// time; each round measures the three players one after the other on the
// same input, and the table shows the median over the rounds together with
// the spread (smallest and largest round) of the control's figure.
//
// Per frame: the control draws frame after frame with RenderFrame onto its
// host's 32-bit surface (composing where the animation needs it, stretched
// with HALFTONE when the surface is larger than the animation), after two
// loops outside the timing (anigif_bench's SecondLoop times the second,
// in which the control makes the drawings it keeps); QMovie steps
// with jumpToNextFrame and its current pixmap is painted onto a 32-bit image
// of the same size (what a label showing the movie does), once without a
// frame cache (its default) and once with CacheAll after a first loop has
// filled the cache. A scaled row gives QMovie the same size through setScaledSize.
//
// The inputs are made once with ImageMagick and gifsicle into DIR (by
// default anigif_qmovie_inputs beside the executable) and reused:
//   banner  the program's banner, 450 x 65
//   dense   6 full 1280 x 720 frames of photo-like content
//   sprite  a ball over a chequered 480 x 270 field, 12 frames, optimised by
//           gifsicle into small transparent frames
//   tiny    2000 frames at 320 x 240: one full background, then 22 x 22
//           squares with disposal 2 and 3 in turn (placed by gifsicle)
#include <time.h>

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QMovie>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "anigif/uc_ani_gif.h"
#include "anigif/uc_ani_gif_internals.h"
#include "platform/host/headless_control_host.h"

namespace {

namespace fs = std::filesystem;
using veltrano::anigif::ByteArrayArg;
using veltrano::anigif::ucAniGIF;
using veltrano::anigif::ucAniGIFInternals;
using Bytes = std::vector<uint8_t>;

double ThreadCpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

bool Run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

std::string Quote(const fs::path& p) {
  return "'" + p.string() + "'";
}

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Makes the generated inputs that DIR does not hold yet. False when a tool
// failed.
bool MakeInputs(const fs::path& dir) {
  fs::create_directories(dir);
  const fs::path work = dir / "work";
  fs::create_directories(work);
  bool ok = true;
  if (!fs::exists(dir / "dense.gif")) {
    std::string frames;
    for (int k = 0; k < 6; ++k) {
      const fs::path png = work / ("dense" + std::to_string(k) + ".png");
      ok = ok && Run("convert -seed " + std::to_string(k + 1) +
                     " -size 1280x720 plasma:fractal -blur 0x1 " + Quote(png));
      frames += " " + Quote(png);
    }
    ok = ok && Run("convert -delay 4 -loop 0" + frames + " -colors 256 " + Quote(dir / "dense.gif"));
  }
  if (!fs::exists(dir / "sprite.gif")) {
    const fs::path bg = work / "field.png";
    std::string args;
    for (int k = 0; k < 12; ++k) {
      const int x = k * 30 + 40, y = (k * 17) % 200 + 40;
      args += " '(' " + Quote(bg) + " -fill '#e04020' -draw 'circle " + std::to_string(x) + "," +
              std::to_string(y) + " " + std::to_string(x) + "," + std::to_string(y - 30) + "' ')'";
    }
    ok = ok &&
         Run("convert -size 480x270 pattern:checkerboard -fill '#3060a0' -opaque white " +
             Quote(bg)) &&
         Run("convert -delay 6 -loop 0" + args + " +dither -colors 16 " + Quote(work / "s.gif")) &&
         Run("gifsicle -O2 " + Quote(work / "s.gif") + " -o " + Quote(dir / "sprite.gif"));
  }
  if (!fs::exists(dir / "tiny.gif")) {
    // gifsicle places one small square file again and again.
    static const char* const kColours[] = {"red", "yellow", "lime", "cyan", "magenta", "white"};
    ok = ok && Run("convert -size 320x240 'xc:#204060' " + Quote(work / "field.gif"));
    for (const char* c : kColours) {
      ok = ok && Run(std::string("convert -size 22x22 xc:") + c + " " +
                     Quote(work / (std::string(c) + ".gif")));
    }
    std::string args = "gifsicle --no-warnings --loopcount=forever --logical-screen 320x240 -d 2 " +
                       Quote(work / "field.gif");
    for (int k = 1; k < 2000; ++k) {
      const int x = (k * 37) % 298, y = (k * 23) % 218;
      args += k % 2 ? " --disposal=background" : " --disposal=previous";
      args += " --position " + std::to_string(x) + "," + std::to_string(y) + " " +
              Quote(work / (std::string(kColours[(k * 53) % 6]) + ".gif"));
    }
    const fs::path script = work / "tiny.sh";
    std::ofstream(script) << args << " -o " << Quote(dir / "tiny.gif") << "\n";
    ok = ok && Run("sh " + Quote(script));
  }
  return ok;
}

struct Input {
  std::string name;
  Bytes gif;
  int width = 0, height = 0;  // the animation's
};

// The control, loaded, clock stopped, drawing onto its host's surface.
struct ControlPlayer {
  veltrano::host::VirtualClock clock;
  veltrano::host::HeadlessControlHost host{clock, true};
  std::unique_ptr<ucAniGIF> control;
  int frames = 0;
  int next = 0;

  ControlPlayer(const Bytes& gif, int w, int h) {
    host.Resize(w, h);
    control = std::make_unique<ucAniGIF>(host);
    control->SetStretch(2);
    control->SetDelayAnimation(0);
    if (!control->LoadAnimatedGIF_Array(ByteArrayArg::Of(gif))) return;
    control->SetAction(0);
    host.RepaintNow();
    frames = control->FrameCount();
  }
  void Step() {
    ucAniGIFInternals::RenderFrame(*control, next + 1, host.SurfaceDC());
    next = (next + 1) % frames;
  }
  // Two whole loops: from the second on the control keeps a drawing of
  // each frame, as the first loop fills QMovie's cache below.
  void Warm() {
    for (int k = 0; k < 2 * frames; ++k) Step();
  }
};

struct MoviePlayer {
  QByteArray data;
  QBuffer buffer;
  QMovie movie;
  QImage surface;
  int frames = 0;
  uint32_t sink = 0;

  MoviePlayer(const Bytes& gif, int w, int h, int natW, int natH, bool cached)
      : data(reinterpret_cast<const char*>(gif.data()), static_cast<qsizetype>(gif.size())),
        buffer(&data),
        surface(w, h, QImage::Format_RGB32) {
    surface.fill(0xFFFFFFFF);
    buffer.open(QIODevice::ReadOnly);
    movie.setDevice(&buffer);
    movie.setCacheMode(cached ? QMovie::CacheAll : QMovie::CacheNone);
    if (w != natW || h != natH) movie.setScaledSize(QSize(w, h));
    frames = movie.frameCount();
    movie.jumpToFrame(0);
    if (cached) {
      // A first loop fills the cache.
      for (int k = 0; k < frames; ++k) Step();
    }
  }
  void Step() {
    if (movie.currentFrameNumber() + 1 >= frames) {
      movie.jumpToFrame(0);
    } else {
      movie.jumpToNextFrame();
    }
    {
      QPainter painter(&surface);
      painter.drawPixmap(0, 0, movie.currentPixmap());
    }
    sink += surface.pixel(0, 0);
  }
};

// µs per frame of `step`, over whole loops of `frames` frames lasting at
// least minMicros.
double PerFrame(const std::function<void()>& step, int frames, double minMicros) {
  long done = 0;
  const double start = ThreadCpuMicros();
  double now = start;
  do {
    for (int k = 0; k < frames; ++k) step();
    done += frames;
    now = ThreadCpuMicros();
  } while (now - start < minMicros);
  return (now - start) / static_cast<double>(done);
}

struct Figures {
  std::vector<double> control, movie, cached;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

void PrintRow(const std::string& label, const char* unit, const Figures& f) {
  const double c = Median(f.control), m = Median(f.movie), q = Median(f.cached);
  std::printf("%-34s %9.1f %9.1f %9.1f   %6.2f %6.2f   [%.1f .. %.1f]\n", label.c_str(), c, m, q,
              m > 0 ? c / m : 0, q > 0 ? c / q : 0,
              *std::min_element(f.control.begin(), f.control.end()),
              *std::max_element(f.control.begin(), f.control.end()));
  (void)unit;
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 7;
  fs::path inputs = fs::path(argv[0]).parent_path() / "anigif_qmovie_inputs";
  std::string only;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--rounds")) rounds = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--inputs")) inputs = argv[i + 1];
    if (!std::strcmp(argv[i], "--only")) only = argv[i + 1];
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);

  if (!MakeInputs(inputs)) {
    std::fprintf(stderr, "could not make the inputs in %s (ImageMagick, gifsicle)\n",
                 inputs.string().c_str());
    return 1;
  }
  std::vector<Input> all = {
      {"banner", ReadAll(VELTRANO_BANNER_GIF), 450, 65},
      {"dense", ReadAll(inputs / "dense.gif"), 1280, 720},
      {"sprite", ReadAll(inputs / "sprite.gif"), 480, 270},
      {"tiny", ReadAll(inputs / "tiny.gif"), 320, 240},
  };
  auto input = [&](const std::string& name) -> const Input& {
    return *std::find_if(all.begin(), all.end(), [&](const Input& i) { return i.name == name; });
  };

  struct Row {
    std::string label, input;
    int w, h;
  };
  const std::vector<Row> rows = {
      {"banner 450x65 unscaled", "banner", 450, 65},
      {"banner -> 675x98 (144 DPI)", "banner", 675, 98},
      {"dense 1280x720 unscaled", "dense", 1280, 720},
      {"dense -> 1920x1080", "dense", 1920, 1080},
      {"sprite -> 1920x1080", "sprite", 1920, 1080},
      {"tiny 2000 frames 320x240 (disp 2/3)", "tiny", 320, 240},
  };

  std::printf("thread CPU time, median of %d rounds; ratio = control / QMovie\n", rounds);
  std::printf("%-34s %9s %9s %9s   %6s %6s   %s\n", "us per frame", "control", "QMovie",
              "cached", "/dflt", "/cache", "control min..max");
  for (const Row& row : rows) {
    if (!only.empty() && row.label.find(only) == std::string::npos) continue;
    const Input& in = input(row.input);
    ControlPlayer c(in.gif, row.w, row.h);
    MoviePlayer m(in.gif, row.w, row.h, in.width, in.height, false);
    MoviePlayer q(in.gif, row.w, row.h, in.width, in.height, true);
    if (c.frames == 0 || m.frames <= 0 || q.frames <= 0 || c.frames != m.frames) {
      std::printf("%-34s did not load (control %d frames, QMovie %d)\n", row.label.c_str(),
                  c.frames, m.frames);
      continue;
    }
    // Each round at least 50 ms and one whole loop of every player.
    const double minMicros = 50000;
    c.Warm();
    Figures f;
    for (int r = 0; r < rounds; ++r) {
      f.control.push_back(PerFrame([&] { c.Step(); }, c.frames, minMicros));
      f.movie.push_back(PerFrame([&] { m.Step(); }, m.frames, minMicros));
      f.cached.push_back(PerFrame([&] { q.Step(); }, q.frames, minMicros));
    }
    PrintRow(row.label, "us", f);
  }

  // Load and compose every frame once (milliseconds).
  std::printf("\n%-34s %9s %9s %9s   %6s %6s\n", "ms per load + every frame once", "control",
              "QMovie", "cached", "/dflt", "/cache");
  for (const Input& in : all) {
    if (!only.empty() && ("load " + in.name).find(only) == std::string::npos) continue;
    Figures f;
    for (int r = 0; r < rounds; ++r) {
      double t = ThreadCpuMicros();
      {
        // The load shows frame 1; then the others, as QMovie below.
        ControlPlayer c(in.gif, in.width, in.height);
        c.next = 1;
        for (int k = 1; k < c.frames; ++k) c.Step();
      }
      f.control.push_back((ThreadCpuMicros() - t) / 1000);
      for (bool cached : {false, true}) {
        t = ThreadCpuMicros();
        {
          MoviePlayer m(in.gif, in.width, in.height, in.width, in.height, cached);
          if (!cached) {
            for (int k = 1; k < m.frames; ++k) m.Step();
          }
        }
        (cached ? f.cached : f.movie).push_back((ThreadCpuMicros() - t) / 1000);
      }
    }
    PrintRow("load " + in.name, "ms", f);
  }
  return 0;
}
