// varnalux-exporter under load: probes over loopback HTTP against a fleet of
// virtual printers, beside a plain baseline measured in the same run (the
// same probes from 64 threads with no HTTP), and the exporter's peak
// resident memory after 1,000 and after 10,000 probes (flat is the goal).
//
//   exporter_bench [--printers=N] [--rate=PER_SECOND] [--seconds=S]
// (S: the length of each closed-loop measurement, default 5)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/exporter/probe.h"
#include "sim/virtual_printer.h"
#include "tests/exporter/http_client.h"
#include "tests/exporter/running_exporter.h"

using namespace varnalux;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Concurrency = 64;
constexpr auto ProbeBound = std::chrono::seconds(8);

struct Settings {
  int printers = 128;
  int rate = 500;
  int seconds = 5;
};

int FlagValue(const char* arg, const char* name, int fallback) {
  const size_t n = strlen(name);
  return strncmp(arg, name, n) == 0 ? atoi(arg + n) : fallback;
}

struct Fleet {
  std::vector<std::unique_ptr<sim::VirtualPrinter>> printers;
  explicit Fleet(int count) {
    for (int i = 0; i < count; ++i) {
      printers.push_back(std::make_unique<sim::VirtualPrinter>());
      printers.back()->StartTcp("127.0.0.1", 0);
    }
  }
  int Port(size_t i) const { return printers[i % printers.size()]->TcpPort(); }
};

// Closed loop: `threads` workers run `one(index)` until the time is up;
// probes per second.
template <typename One>
double ClosedLoop(int threads, std::chrono::seconds span, One one) {
  std::atomic<uint64_t> next{0}, done{0};
  const auto end = Clock::now() + span;
  const auto start = Clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&] {
      while (Clock::now() < end)
        if (one(next.fetch_add(1))) done.fetch_add(1);
    });
  for (std::thread& w : workers) w.join();
  return static_cast<double>(done.load()) /
         std::chrono::duration<double>(Clock::now() - start).count();
}

bool DirectProbe(const Fleet& fleet, uint64_t i) {
  ProbeLink link;
  link.kind = KindEthernet;
  InitialSerialSettings(link.records.serial);
  InitialParallelName(link.records.parallelName);
  InitialTcpTarget(link.records.tcp);
  CopyText(link.records.tcp.host, sizeof link.records.tcp.host, "127.0.0.1");
  link.records.tcp.port = fleet.Port(i);
  return RunProbe(link, nullptr, Deadline(ProbeBound)).up;
}

bool HttpProbe(const Fleet& fleet, int port, uint64_t i) {
  const auto r = testing::HttpGet(port, "/probe?target=127.0.0.1:" + std::to_string(fleet.Port(i)),
                                  "", ProbeBound);
  return r.status == 200 && r.body.find("\nvarnalux_up 1\n") != std::string::npos;
}

// Open loop at `rate` a second for `count` probes; the rate reached, and
// the share of answers that were up.
double OpenLoop(const Fleet& fleet, int port, int rate, uint64_t first, uint64_t count,
                double& upShare) {
  std::atomic<uint64_t> next{0}, up{0};
  const auto start = Clock::now();
  std::vector<std::thread> workers;
  for (int t = 0; t < 2 * Concurrency; ++t)
    workers.emplace_back([&] {
      for (uint64_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000 / rate));
        if (HttpProbe(fleet, port, first + i)) up.fetch_add(1);
      }
    });
  for (std::thread& w : workers) w.join();
  upShare = static_cast<double>(up.load()) / static_cast<double>(count);
  return static_cast<double>(count) / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  for (int i = 1; i < argc; ++i) {
    s.printers = FlagValue(argv[i], "--printers=", s.printers);
    s.rate = FlagValue(argv[i], "--rate=", s.rate);
    s.seconds = FlagValue(argv[i], "--seconds=", s.seconds);
  }
  Fleet fleet(s.printers);
  testing::RunningExporter exporter({"--concurrency", std::to_string(Concurrency)});
  if (exporter.Port() == 0) {
    fprintf(stderr, "exporter_bench: the exporter did not start\n");
    return 1;
  }
  const int port = exporter.Port();
  const auto span = std::chrono::seconds(std::max(1, s.seconds));

  const double direct =
      ClosedLoop(Concurrency, span, [&](uint64_t i) { return DirectProbe(fleet, i); });
  const double http =
      ClosedLoop(Concurrency, span, [&](uint64_t i) { return HttpProbe(fleet, port, i); });
  printf("closed loop, %d threads, %d printers:\n", Concurrency, s.printers);
  printf("  direct probes (no HTTP)  %8.1f probes/s\n", direct);
  printf("  through the exporter     %8.1f probes/s   ratio %.2f\n", http, http / direct);

  // Fresh exporter for the memory figures: its peak after 1,000 probes and
  // after 10,000 at the sustained rate.
  testing::RunningExporter sustained({"--concurrency", std::to_string(Concurrency)});
  double up1 = 0, up2 = 0;
  const double rate1 = OpenLoop(fleet, sustained.Port(), s.rate, 0, 1000, up1);
  const long peak1 = sustained.StatusKb("VmHWM");
  const double rate2 = OpenLoop(fleet, sustained.Port(), s.rate, 1000, 9000, up2);
  const long peak2 = sustained.StatusKb("VmHWM");
  printf("open loop at %d probes/s, concurrency limit %d:\n", s.rate, Concurrency);
  printf("  first 1,000 probes       %8.1f probes/s   up %.1f%%   peak RSS %ld KiB\n", rate1,
         up1 * 100, peak1);
  printf("  next 9,000 probes        %8.1f probes/s   up %.1f%%   peak RSS %ld KiB\n", rate2,
         up2 * 100, peak2);
  printf("  peak RSS growth          %+8ld KiB (%.2fx)\n", peak2 - peak1,
         peak1 > 0 ? static_cast<double>(peak2) / static_cast<double>(peak1) : 0.0);
  return 0;
}
