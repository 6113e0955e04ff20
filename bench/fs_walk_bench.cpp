// Walks a tree of 22,220 folders and 199,980 files through FindFirst/FindNext
// the way the junk search does (list a folder, remember its sub-folders, then
// search each), and times `find ROOT -xdev -type f` on the same tree in the
// same run, so the two figures can be compared directly.
//
// The tree is made once under /tmp/veltrano-bench-tree (or --tree=PATH) and
// kept for later runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fs/linux_file_system.h"

namespace {

using veltrano::fs::FindData;
using veltrano::fs::FindMode;
using veltrano::fs::kAttrDirectory;

std::string treeRoot = "/tmp/veltrano-bench-tree";
constexpr int kFilesPerFolder = 9;

void MakeFiles(const std::string& folder, int seed) {
  static const char* const kNames[] = {"report%d.doc", "photo%d.jpg", "setup%d.tmp",
                                       "Thumbs.db",    "cache%d.dat", "notes%d.txt",
                                       "old%d.bak",    "x%d.chk",     "readme%d.md"};
  for (int i = 0; i < kFilesPerFolder; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, kNames[i], seed);
    const int fd = open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) close(fd);
  }
}

// 20 x 10 x 10 x 10 folders below the root, with long names at the bottom.
void MakeTree() {
  const std::string done = treeRoot + "/.complete";
  if (access(done.c_str(), F_OK) == 0) return;
  std::fprintf(stderr, "making the tree under %s ...\n", treeRoot.c_str());
  if (std::system(("rm -rf '" + treeRoot + "'").c_str()) != 0) {
    std::fprintf(stderr, "cannot clear %s\n", treeRoot.c_str());
    std::exit(1);
  }
  mkdir(treeRoot.c_str(), 0755);
  int seed = 0;
  for (int a = 0; a < 20; ++a) {
    const std::string pa = treeRoot + "/Windows" + std::to_string(a);
    mkdir(pa.c_str(), 0755);
    MakeFiles(pa, seed++);
    for (int b = 0; b < 10; ++b) {
      const std::string pb = pa + "/Temp" + std::to_string(b);
      mkdir(pb.c_str(), 0755);
      MakeFiles(pb, seed++);
      for (int c = 0; c < 10; ++c) {
        const std::string pc = pb + "/Documents and Settings " + std::to_string(c);
        mkdir(pc.c_str(), 0755);
        MakeFiles(pc, seed++);
        for (int d = 0; d < 10; ++d) {
          const std::string pd = pc + "/Temporary Internet Files " + std::to_string(d);
          mkdir(pd.c_str(), 0755);
          MakeFiles(pd, seed++);
        }
      }
    }
  }
  close(open(done.c_str(), O_WRONLY | O_CREAT, 0644));
}

// The junk search's walk: each folder is listed once, its sub-folders are
// searched after its own files, depth first. Returns the number of files.
size_t Walk(veltrano::fs::FileSystem& fs, const std::string& folder, FindMode mode) {
  size_t files = 0;
  std::vector<std::string> subFolders;
  FindData d;
  if (auto session = fs.FindFirst(folder + "*.*", d, mode)) {
    do {
      if (d.dwFileAttributes.HasAny(kAttrDirectory)) {
        if (d.cFileName[0] != '.') subFolders.push_back(d.cFileName);
      } else {
        ++files;
      }
    } while (session->FindNext(d));
  }
  for (const std::string& sub : subFolders) files += Walk(fs, folder + sub + "\\", mode);
  return files;
}

void RunWalk(benchmark::State& state, FindMode mode) {
  MakeTree();
  veltrano::fs::LinuxFileSystem fs({{'C', veltrano::fs::kDriveFixed, treeRoot}});
  size_t files = 0;
  for (auto _ : state) {
    files = Walk(fs, "C:\\", mode);
    benchmark::DoNotOptimize(files);
  }
  state.counters["files"] = static_cast<double>(files);
  state.counters["files/s"] =
      benchmark::Counter(static_cast<double>(files), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_WalkNamesOnly(benchmark::State& state) {
  RunWalk(state, FindMode::kNamesOnly);
}
void BM_WalkFullRecords(benchmark::State& state) {
  RunWalk(state, FindMode::kFull);
}

// The CPU time (user + system) that finished child processes used so far.
double ChildCpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Real time, and in the counter "cpu_ms" the CPU time find itself used (the
// CPU column shows only this process, which merely waits). On a busy machine
// compare the CPU figures.
void BM_FindCommand(benchmark::State& state) {
  MakeTree();
  const std::string cmd = "find '" + treeRoot + "' -xdev -type f > /dev/null";
  const double before = ChildCpuSeconds();
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("find failed");
  }
  state.counters["cpu_ms"] =
      benchmark::Counter((ChildCpuSeconds() - before) * 1000.0, benchmark::Counter::kAvgIterations);
}

// Deep paths asked one after another in the same folder, as the cleanup's
// deletion pass and the sweep's checks do.
void BM_FileExistsDeep(benchmark::State& state) {
  MakeTree();
  veltrano::fs::LinuxFileSystem fs({{'C', veltrano::fs::kDriveFixed, treeRoot}});
  const std::string folder =
      "C:\\Windows7\\Temp3\\Documents and Settings 5\\Temporary Internet Files 2\\";
  const std::string names[] = {"report7.doc", "Thumbs.db", "missing.txt", "NOTES7.TXT"};
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fs.FileExists(folder + names[i++ % 4]));
  }
}

// A root of 100,000 entries whose names are asked for in lower case while
// they are stored in upper case, as the sweep's root walk asks for them:
// every lookup misses the exact name and needs the case-insensitive one.
void BM_CaselessLookupInLargeRoot(benchmark::State& state) {
  const std::string root = treeRoot + "-root100k";
  if (access((root + "/.complete").c_str(), F_OK) != 0) {
    if (std::system(("rm -rf '" + root + "'").c_str()) != 0) {
      state.SkipWithError("cannot clear the folder");
      return;
    }
    mkdir(root.c_str(), 0755);
    for (int i = 0; i < 100000; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/FILE%06d.EXE", i);
      close(open((root + name).c_str(), O_WRONLY | O_CREAT, 0644));
    }
    close(open((root + "/.complete").c_str(), O_WRONLY | O_CREAT, 0644));
  }
  veltrano::fs::LinuxFileSystem fs({{'E', veltrano::fs::kDriveRemovable, root}});
  unsigned i = 0;
  for (auto _ : state) {
    char path[32];
    std::snprintf(path, sizeof path, "E:\\file%06u.exe", (i++ * 7919u) % 100000u);
    if (!fs.FileExists(path)) state.SkipWithError("lookup failed");
  }
}

BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WalkNamesOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WalkFullRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FileExistsDeep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaselessLookupInLargeRoot)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--tree=", 7) == 0) treeRoot = argv[i] + 7;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
