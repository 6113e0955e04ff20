// The junk search (FindJunk, with its log appends, status line and event pump
// per folder) over a generated tree of 200,000 files in 20,000 folders, on
// the Linux backend in directory mode, next to `find ROOT -xdev -type f` with
// the same junk rules, and the plain `find ROOT -xdev -type f` for scale.
//
//   build-*/bin/cleanup_bench [--tree=/path]
//
// The tree is made once under /tmp/veltrano-cleanup-bench-tree (or the given
// path) and kept for later runs. About three in ten of its files are junk by
// one rule or another; some paths run twenty folders deep. Nothing is deleted.
// At the end the run prints the ratio FindJunk / find-with-rules, both from
// the separate runs and as the median of alternating rounds.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "app/form_state.h"
#include "cleanup/find_junk.h"
#include "platform/fs/linux_file_system.h"
#include "platform/host/headless_window_host.h"

namespace {

std::string g_tree = "/tmp/veltrano-cleanup-bench-tree";
constexpr int kFilesPerFolder = 10;

// Folder names that hit the folder rules now and then, mixed with plain ones.
constexpr std::array<const char*, 20> kTopNames = {"Windows",       "Documents and Settings",
                                                   "Program Files", "data",
                                                   "RECYCLED",      "WINNT",
                                                   "photos",        "projects",
                                                   "music",         "backup",
                                                   "Windows.old",   "games",
                                                   "src",           "Prefetch",
                                                   "Users",         "archive",
                                                   "mail",          "tools",
                                                   "web",           "misc"};
constexpr std::array<const char*, 9> kMidNames = {
    "Temp", "system32", "Local Settings",           "Cookies", "Administrator",
    "docs", "cache",    "Temporary Internet Files", "lib"};
constexpr std::array<const char*, 10> kLowNames = {
    "Temp", "Recent", "a", "b", "Temporary Internet Files", "c", "d", "e", "f", "g"};
constexpr std::array<const char*, kFilesPerFolder> kFileNames = {
    "report%d.doc", "photo%d.jpg", "setup%d.tmp", "Thumbs.db",   "old%d.BAK",
    "x%d.chk",      "notes%d.txt", "FOLDER.HTT",  "desktop.ini", "cache%d.dat"};

void Touch(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
}

int g_seed = 0;
int g_folders = 0;

void MakeFolder(const std::string& path) {
  mkdir(path.c_str(), 0755);
  ++g_folders;
  for (const char* pattern : kFileNames) {
    char name[64];
    std::snprintf(name, sizeof name, pattern, g_seed);
    Touch(path + "/" + name);
  }
  ++g_seed;
}

// 20 top folders, each with 9 folders of 10 folders of up to 10 folders;
// every other top folder trades 20 of those for a chain twenty folders deep.
// That is 20,000 folders of 10 files each; a few dot-folders are skipped by
// both sides.
void MakeTree() {
  const std::string done = g_tree + "/.complete";
  if (access(done.c_str(), F_OK) == 0) return;
  std::fprintf(stderr, "making the tree under %s ...\n", g_tree.c_str());
  if (std::system(("rm -rf '" + g_tree + "'").c_str()) != 0) {
    std::fprintf(stderr, "cannot clear %s\n", g_tree.c_str());
    std::exit(1);
  }
  mkdir(g_tree.c_str(), 0755);
  for (size_t a = 0; a < kTopNames.size(); ++a) {
    const bool chain = a % 2 == 0;
    const std::string pa = g_tree + "/" + kTopNames[a];
    MakeFolder(pa);
    int leavesLeft = chain ? 880 : 900;
    for (size_t b = 0; b < kMidNames.size(); ++b) {
      const std::string pb = pa + "/" + kMidNames[b];
      MakeFolder(pb);
      for (int c = 0; c < 10; ++c) {
        const std::string pc = pb + "/" + kLowNames[static_cast<size_t>(c)] + std::to_string(c);
        MakeFolder(pc);
        const int leaves = std::min(leavesLeft, 10);
        for (int d = 0; d < leaves; ++d) {
          MakeFolder(pc + "/" + kLowNames[static_cast<size_t>(d)] + "_" + std::to_string(d));
        }
        leavesLeft -= leaves;
      }
    }
    if (chain) {
      std::string deep = pa + "/deep";
      for (int depth = 0; depth < 20; ++depth) {
        MakeFolder(deep);
        deep += "/level" + std::to_string(depth);
      }
    }
    const std::string dot = pa + "/.git";
    mkdir(dot.c_str(), 0755);
    Touch(dot + "/index.chk");
  }
  std::fprintf(stderr, "%d folders, %d files\n", g_folders, g_folders * kFilesPerFolder);
  Touch(done);
}

// One junk search over the whole tree; returns the number of junk files.
int SearchOnce(veltrano::FormState& form) {
  form.List1.Clear();
  form.Busy = -1;
  veltrano::cleanup::FindJunk(form, "C:\\");
  return form.List1.Count();
}

struct Drive {
  veltrano::fs::LinuxFileSystem fileSystem{
      std::vector<veltrano::fs::DriveSpec>{{'C', veltrano::fs::kDriveFixed, g_tree}}};
  veltrano::host::HeadlessWindowHost host;
  veltrano::FormState form{fileSystem, host};
};

void BM_FindJunk(benchmark::State& state) {
  MakeTree();
  Drive drive;
  int junk = 0;
  for (auto _ : state) {
    junk = SearchOnce(drive.form);
    benchmark::DoNotOptimize(junk);
  }
  state.counters["junk"] = junk;
  state.counters["pumps/run"] =
      benchmark::Counter(drive.host.PumpCount(), benchmark::Counter::kAvgIterations);
}

// Runs a shell command and counts the lines it prints.
long CountLines(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  long lines = 0;
  char buf[1 << 16];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) {
    for (size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
  }
  return pclose(pipe) == 0 ? lines : -1;
}

// The junk rules written for find: a file directly in a junk folder, a .tmp
// or .bak file directly in a system folder, or a leftover name anywhere;
// folders whose name starts with '.' are not entered.
const char* kFindRules =
    " -xdev -type d -name '.*' -prune -o -type f -regextype posix-extended -iregex '"
    ".*(recycled|/prefetch|ngs/temp|ows/temp|/cookies|tor/recent|temporary internet files)/[^/]*|"
    ".*(windows|/system32)/[^/]*\\.(tmp|bak)|"
    ".*/(thumbs\\.db|folder\\.htt|desktop_\\.ini|_desktop\\.ini|[^/]*\\.(err|chk|fix))' -print";

// CPU seconds (user + system) used by the finished child processes so far.
double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `find` with `arguments` once per iteration; the CPU column of the table
// shows only this process, so the child's CPU time is a counter of its own.
void RunFind(benchmark::State& state, const std::string& arguments, const char* counter) {
  MakeTree();
  const std::string command = "find '" + g_tree + "'" + arguments;
  long lines = 0;
  const double cpuBefore = ChildCpuSeconds();
  for (auto _ : state) {
    lines = CountLines(command);
    if (lines < 0) state.SkipWithError("find failed");
  }
  state.counters[counter] = static_cast<double>(lines);
  state.counters["find_cpu_ms"] =
      benchmark::Counter((ChildCpuSeconds() - cpuBefore) * 1e3, benchmark::Counter::kAvgIterations);
}

void BM_FindWithRules(benchmark::State& state) {
  RunFind(state, kFindRules, "junk");
}
void BM_FindAllFiles(benchmark::State& state) {
  RunFind(state, " -xdev -type f", "files");
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// The machine is shared, so the two sides are timed in alternation, round by
// round, and the ratio is the median of the rounds' ratios: a burst of load
// or a cold page cache then hits both sides alike instead of one benchmark.
void BM_PairedRatio(benchmark::State& state) {
  MakeTree();
  Drive drive;
  const std::string command = "find '" + g_tree + "'" + kFindRules;
  std::vector<double> realRatios, cpuRatios, junkMs, findMs;
  long junk = 0, found = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
    junk = SearchOnce(drive.form);
    const auto t1 = std::chrono::steady_clock::now();
    const double cpu1 = static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
    const double child0 = ChildCpuSeconds();
    found = CountLines(command);
    const auto t2 = std::chrono::steady_clock::now();
    const double childCpu = ChildCpuSeconds() - child0;
    if (found < 0) state.SkipWithError("find failed");
    const double a = std::chrono::duration<double, std::milli>(t1 - t0).count();
    const double b = std::chrono::duration<double, std::milli>(t2 - t1).count();
    junkMs.push_back(a);
    findMs.push_back(b);
    realRatios.push_back(a / b);
    cpuRatios.push_back((cpu1 - cpu0) / childCpu);
  }
  state.counters["FindJunk_ms"] = Median(junkMs);
  state.counters["find_ms"] = Median(findMs);
  state.counters["ratio"] = Median(realRatios);
  state.counters["cpu_ratio"] = Median(cpuRatios);
  state.counters["same_count"] = junk == found ? 1 : 0;
}

BENCHMARK(BM_FindJunk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_FindWithRules)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_FindAllFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_PairedRatio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(9);

// Prints as usual and keeps each benchmark's real time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      Figures& f = figures[run.benchmark_name().substr(0, run.benchmark_name().find('/'))];
      f.realMs = run.GetAdjustedRealTime();
      f.cpuMs = run.GetAdjustedCPUTime();
      for (const auto& [name, counter] : run.counters) f.counters[name] = counter.value;
    }
  }
  struct Figures {
    double realMs = 0;
    double cpuMs = 0;
    std::map<std::string, double> counters;
  };
  std::map<std::string, Figures> figures;
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--tree=", 7) == 0) g_tree = argv[i] + 7;
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto junk = reporter.figures.find("BM_FindJunk");
  const auto find = reporter.figures.find("BM_FindWithRules");
  if (junk != reporter.figures.end() && find != reporter.figures.end()) {
    RatioReporter::Figures j = junk->second;
    RatioReporter::Figures f = find->second;
    std::printf("junk files: FindJunk %.0f, find %.0f\n", j.counters["junk"], f.counters["junk"]);
    std::printf("separate runs, FindJunk / find with the junk rules: %.2f real, %.2f CPU\n",
                j.realMs / f.realMs, j.cpuMs / f.counters["find_cpu_ms"]);
  }
  const auto paired = reporter.figures.find("BM_PairedRatio");
  if (paired != reporter.figures.end()) {
    RatioReporter::Figures p = paired->second;
    std::printf(
        "alternating rounds, median FindJunk / find with the junk rules: %.2f real (%.0f ms"
        " / %.0f ms), %.2f CPU; same junk count: %s\n",
        p.counters["ratio"], p.counters["FindJunk_ms"], p.counters["find_ms"],
        p.counters["cpu_ratio"], p.counters["same_count"] == 1 ? "yes" : "NO");
  }
  return 0;
}
