// sweep_bench: the autorun sweep of one drive whose root holds 100,000
// entries, on the Linux backend in directory mode, next to the bare listing
// of that root for scale.
//
//   build-*/bin/sweep_bench [--root=/path]   (the root is filled on first use)
//
// The root holds plain files, 1% programs with no folder beside them (each
// makes the fake-folder rule look for a folder), some of them hidden, and a
// few folders: nothing the sweep removes, so every run sees the same root.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/form1.h"
#include "platform/fs/linux_file_system.h"
#include "platform/host/headless_window_host.h"

namespace {

constexpr int kEntries = 100000;
std::string g_root;

const std::string& Root() {
  if (g_root.empty()) {
    g_root = (std::filesystem::temp_directory_path() / "veltrano-sweep-bench-root").string();
  }
  const std::string done = g_root + "/.complete";
  struct stat st;
  if (stat(done.c_str(), &st) == 0) return g_root;
  std::filesystem::remove_all(g_root);
  std::filesystem::create_directories(g_root);
  for (int i = 0; i < kEntries - 1; ++i) {
    const std::string name = g_root + "/file" + std::to_string(i);
    if (i % 1000 == 0) {
      std::filesystem::create_directory(name + "_dir");
    } else if (i % 100 == 0) {
      std::ofstream(name + ".exe") << "MZ";
      if (i % 200 == 0) lsetxattr((name + ".exe").c_str(), "user.DOSATTRIB", "0x2", 3, 0);
    } else {
      std::ofstream(name + ".txt") << "text";
    }
  }
  std::ofstream(done) << "";  // the 100,000th entry
  return g_root;
}

void SweepOnce(benchmark::State& state, veltrano::fs::DriveType type) {
  const std::string& root = Root();
  for (auto _ : state) {
    veltrano::fs::LinuxFileSystem fileSystem(
        std::vector<veltrano::fs::DriveSpec>{{'E', type, root}});
    veltrano::host::HeadlessWindowHost host;
    veltrano::Form1 form(fileSystem, host);
    if (type == veltrano::fs::kDriveRemovable) {
      form.menuqim_Click();
    } else {
      form.menukhdd_Click();
    }
    if (form.List1.Lines().back() != "    共清除病毒数： 0个！") {
      state.SkipWithError("the sweep removed something");
      break;
    }
    benchmark::DoNotOptimize(form.Label1.Caption());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}

// The removable-drive sweep: the fake-folder rule asks for a folder beside
// every program.
void BM_SweepRemovableRoot(benchmark::State& state) {
  SweepOnce(state, veltrano::fs::kDriveRemovable);
}
BENCHMARK(BM_SweepRemovableRoot)->Unit(benchmark::kMillisecond)->UseRealTime();

// The fixed-disk sweep of E:: the hidden-system rule reads every program's
// attributes.
void BM_SweepFixedRoot(benchmark::State& state) {
  SweepOnce(state, veltrano::fs::kDriveFixed);
}
BENCHMARK(BM_SweepFixedRoot)->Unit(benchmark::kMillisecond)->UseRealTime();

// A root full of worms: every entry is a .scr file that the sweep removes.
// Each removal is judged by a file-exists test of a name that is gone, so
// this shows what such a test costs in a large folder.
void BM_SweepRootOfWorms(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string root = Root() + "-worms";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    for (int i = 0; i < count; ++i) {
      std::ofstream(root + "/worm" + std::to_string(i) + ".scr") << "";
    }
    state.ResumeTiming();
    veltrano::fs::LinuxFileSystem fileSystem(
        std::vector<veltrano::fs::DriveSpec>{{'E', veltrano::fs::kDriveRemovable, root}});
    veltrano::host::HeadlessWindowHost host;
    veltrano::Form1 form(fileSystem, host);
    form.menuqim_Click();
    if (form.List1.Count() != count + 6) state.SkipWithError("not every worm was removed");
  }
  std::filesystem::remove_all(root);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SweepRootOfWorms)
    ->Arg(1000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The listing alone, as the walk reads it: the floor under the sweep.
void BM_ListRoot(benchmark::State& state) {
  const std::string& root = Root();
  for (auto _ : state) {
    veltrano::fs::LinuxFileSystem fileSystem(
        std::vector<veltrano::fs::DriveSpec>{{'E', veltrano::fs::kDriveRemovable, root}});
    veltrano::fs::FindData data;
    int count = 0;
    auto listing = fileSystem.FindFirst("E:\\*.*", data, veltrano::fs::FindMode::kNamesOnly);
    if (listing) {
      do ++count;
      while (listing->FindNext(data));
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ListRoot)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--root=", 7) == 0) g_root = argv[i] + 7;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
