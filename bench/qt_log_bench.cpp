// The scan log List1 with a million lines, on Qt's offscreen platform.
//
// Append: lines are appended and each one selected, as the junk search does,
// with the event loop run every `pump` lines (the search lets events through
// once per folder). Reported per line.
// Scroll: with the million lines shown, the list jumps to its end and
// repaints, as a user dragging the scroll bar down would see.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <string>

#include "app/scan_log.h"
#include "ui/qt/scan_log_view.h"

namespace {

constexpr int kLines = 1'000'000;

std::string JunkLine(int i) {
  return "C:\\Users\\user\\AppData\\Local\\Temp\\cache" + std::to_string(i % 977) + "\\f" +
         std::to_string(i) + ".tmp";
}

void BM_AppendAndFollow(benchmark::State& state) {
  const int pump = static_cast<int>(state.range(0));
  const int lines = static_cast<int>(state.range(1));
  for (auto _ : state) {
    veltrano::ScanLog log;
    veltrano::qt::ScanLogView view(log);
    view.resize(450, 240);
    view.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < lines; ++i) {
      log.Append(JunkLine(i));
      log.Select(log.Count() - 1);
      if ((i + 1) % pump == 0) QCoreApplication::processEvents();
    }
    // The last paced flush, which the event loop runs shortly after the end.
    view.LogModel()->Flush();
    if (view.currentIndex().row() != lines - 1) {
      state.SkipWithError("selection did not follow");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["ns_per_line"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(BM_AppendAndFollow)
    ->Args({1, 100'000})
    ->Args({1, kLines})
    ->Args({10, kLines})
    ->Args({100, kLines})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The same appends and event pumps with no view attached: what the log and
// the event loop cost by themselves, to set against the figures above.
void BM_AppendWithoutView(benchmark::State& state) {
  const int pump = static_cast<int>(state.range(0));
  const int lines = static_cast<int>(state.range(1));
  for (auto _ : state) {
    veltrano::ScanLog log;
    for (int i = 0; i < lines; ++i) {
      log.Append(JunkLine(i));
      log.Select(log.Count() - 1);
      if ((i + 1) % pump == 0) QCoreApplication::processEvents();
    }
    benchmark::DoNotOptimize(log.SelectedIndex());
  }
  state.SetItemsProcessed(state.iterations() * lines);
  state.counters["ns_per_line"] = benchmark::Counter(
      static_cast<double>(lines),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AppendWithoutView)
    ->Args({1, kLines})
    ->Args({10, kLines})
    ->Args({100, kLines})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_ScrollToEnd(benchmark::State& state) {
  veltrano::ScanLog log;
  for (int i = 0; i < kLines; ++i) log.Append(JunkLine(i));
  veltrano::qt::ScanLogView view(log);
  view.resize(450, 240);
  view.show();
  QCoreApplication::processEvents();
  QScrollBar* bar = view.verticalScrollBar();
  bool atEnd = true;
  for (auto _ : state) {
    // Alternate between the two ends so every jump lands on unpainted rows.
    atEnd = !atEnd;
    if (atEnd) {
      view.scrollToBottom();
    } else {
      view.scrollToTop();
    }
    view.viewport()->repaint();
  }
  if (bar->value() != bar->maximum() && bar->value() != 0) state.SkipWithError("not at an end");
}
BENCHMARK(BM_ScrollToEnd)->Unit(benchmark::kMillisecond);

// A shown list view whose log got `lines` lines, the last one selected,
// while the event loop did not run: the view has not seen them yet.
struct UnseenLines {
  explicit UnseenLines(int lines) : view(log) {
    view.resize(450, 240);
    view.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < lines; ++i) log.Append(JunkLine(i));
    log.Select(log.Count() - 1);
  }
  veltrano::ScanLog log;
  veltrano::qt::ScanLogView view;
};

// Shows a million lines that were appended while the view was not looking,
// in one go (the first flush after a long stretch without events).
void BM_ShowMillionAtOnce(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    UnseenLines shown(kLines);
    auto& view = shown.view;
    state.ResumeTiming();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
    if (view.currentIndex().row() != kLines - 1) {
      state.SkipWithError("selection did not follow");
      break;
    }
  }
}
BENCHMARK(BM_ShowMillionAtOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

// The cleanup's deletion pass over lines the view shows: each line selected,
// read back and replaced in place ("删除 " + path), with no event handled
// until the pass ends (as in the command), then the view brought up to date.
// Reported per line at 10,000, 100,000 and 1,000,000 lines: the cost per
// line must not grow with the list.
void BM_ReplaceEveryLine(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    UnseenLines shown(lines);
    auto& [log, view] = shown;
    view.LogModel()->Flush();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    for (int k = 0; k < lines; ++k) {
      log.Select(k);
      log.ReplaceAt(k, "删除 " + log.SelectedText());
    }
    QCoreApplication::processEvents();
    view.LogModel()->Flush();
    view.viewport()->repaint();
    if (view.currentIndex().row() != lines - 1 ||
        view.model()->data(view.model()->index(0, 0)).toString().left(2) != "删除") {
      state.SkipWithError("the view does not show the replaced lines");
      break;
    }
  }
  state.counters["ns_per_line"] = benchmark::Counter(
      static_cast<double>(lines),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReplaceEveryLine)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(kLines)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
