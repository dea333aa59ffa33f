// `varnalux-cli --printers LIST --jobs 64 status` over 500 virtual printers
// of one fleet process (varnalux-vprinter --fleet 500), against one
// printer's `varnalux-cli --tcp ... status` measured in the same run,
// interleaved with it. Printed: the fleet run's time over the lone run's
// times ceil(500 / 64) (what 64 printers at a time would cost if each batch
// took as long as one lone run; the goal is at most 2), and the processor
// time (user + system, from wait4) per printer of the fleet run over the
// lone run's (the goal is at most 1). Every time runs from the start of the
// tool's process to its end.
//
//   fleet_status_bench [--cli=PATH] [google benchmark flags]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/sim/fleet_process.h"

namespace {

constexpr int Printers = 500;
constexpr int Jobs = 64;
constexpr int Repetitions = 5;

std::string g_cli = VARNALUX_CLI_PATH;

struct ChildRun {
  bool ok = false;
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

// Runs the tool with its output thrown away; its wall and processor time.
ChildRun RunTool(const std::vector<std::string>& args) {
  ChildRun run;
  std::vector<std::string> all{g_cli};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

void Measure(benchmark::State& state, const std::vector<std::string>& args, int printers) {
  double cpu = 0;
  for (auto _ : state) {
    const ChildRun run = RunTool(args);
    if (!run.ok) {
      state.SkipWithError("the tool failed");
      return;
    }
    state.SetIterationTime(run.wallSeconds);
    cpu += run.cpuSeconds;
  }
  state.counters["cpu_ms_per_printer"] =
      cpu * 1000.0 / static_cast<double>(state.iterations()) / printers;
}

// A new folder under /tmp, removed with what is in it at the end.
class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/varnalux-bench-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Keeps the median wall time and processor time per printer of each run.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.aggregate_name != "median") continue;
      wall[r.run_name.function_name] = r.GetAdjustedRealTime();
      if (auto it = r.counters.find("cpu_ms_per_printer"); it != r.counters.end())
        cpu[r.run_name.function_name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> wall, cpu;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (strncmp(argv[i], "--cli=", 6) == 0)
      g_cli = argv[i] + 6;
    else
      rest.push_back(argv[i]);
  }
  Folder folder;
  if (folder.Path().empty()) return 1;
  const std::string list = folder.Path() + "/fleet.list";
  varnalux::sim::test::FleetProcess fleet(
      {"--fleet", std::to_string(Printers), "--listen", "127.0.0.1:0", "--fleet-list", list});
  if (!fleet.Ready() || fleet.Printers().size() != static_cast<size_t>(Printers)) {
    fprintf(stderr, "the fleet of virtual printers did not start:\n%s", fleet.Output().c_str());
    return 1;
  }
  const std::string address = "127.0.0.1:" + std::to_string(fleet.Printers()[0].port);

  const std::vector<std::string> fleetArgs{"--printers", list, "--jobs", std::to_string(Jobs),
                                           "status"};
  const std::vector<std::string> loneArgs{"--tcp", address, "status"};
  benchmark::RegisterBenchmark("fleet_status_500_jobs_64",
                               [=](benchmark::State& s) { Measure(s, fleetArgs, Printers); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->UseManualTime();
  benchmark::RegisterBenchmark("lone_status", [=](benchmark::State& s) { Measure(s, loneArgs, 1); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->UseManualTime();

  std::string count = "--benchmark_repetitions=" + std::to_string(Repetitions);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  rest.insert(rest.begin() + 1, {count.data(), interleave, aggregates});
  int size = static_cast<int>(rest.size());
  benchmark::Initialize(&size, rest.data());
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double fleetWall = reporter.wall["fleet_status_500_jobs_64"];
  const double loneWall = reporter.wall["lone_status"];
  if (fleetWall <= 0 || loneWall <= 0) return 1;
  const int batches = (Printers + Jobs - 1) / Jobs;
  printf("\nfleet of %d at %d at a time: %.1f ms; lone status %.1f ms x %d = %.1f ms\n", Printers,
         Jobs, fleetWall, loneWall, batches, loneWall * batches);
  printf("time ratio: %.2f (goal <= 2)\n", fleetWall / (loneWall * batches));
  const double fleetCpu = reporter.cpu["fleet_status_500_jobs_64"];
  const double loneCpu = reporter.cpu["lone_status"];
  printf(
      "processor time per printer: %.3f ms in the fleet run, %.3f ms for a lone run: "
      "%.2fx (goal <= 1)\n",
      fleetCpu, loneCpu, loneCpu > 0 ? fleetCpu / loneCpu : 0.0);
  return 0;
}
