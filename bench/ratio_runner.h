// Runs the registered benchmarks as repetitions interleaved at random (so
// that the measured path and its plain baseline see the same machine) and
// gives the median bytes per second of each, for printing their ratio.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace varnalux::bench {

// Keeps the median bytes-per-second figure of each benchmark.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("bytes_per_second");
      if (it == r.counters.end() || r.aggregate_name != "median") continue;
      rate[r.run_name.function_name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rate;
};

// Median bytes per second by benchmark name, after repetitions interleaved
// runs of every registered benchmark (command-line flags still apply).
inline std::map<std::string, double> RunInterleaved(int argc, char** argv, int repetitions) {
  std::vector<char*> args(argv, argv + argc);
  std::string count = "--benchmark_repetitions=" + std::to_string(repetitions);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {count.data(), interleave, aggregates});
  int size = static_cast<int>(args.size());
  benchmark::Initialize(&size, args.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.rate;
}

}  // namespace varnalux::bench
