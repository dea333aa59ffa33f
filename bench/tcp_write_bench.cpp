// Raw write throughput over TCP: 16 MiB through WriteLink (1024-byte chunks,
// progress ticks and message pumping included) beside a plain socket loop
// writing 1024-byte chunks to the same local sink, and their ratio.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/progress.h"
#include "link/link_settings.h"
#include "link/printer_link.h"

namespace {

constexpr size_t kPayload = 16u * 1024 * 1024;

// Accepts connections and discards everything they send.
class Sink {
 public:
  Sink() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 16);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      std::vector<char> buf(1 << 20);
      while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        int fd = accept(listener_, nullptr, nullptr);
        while (fd >= 0 && recv(fd, buf.data(), buf.size(), 0) > 0) {
        }
        if (fd >= 0) close(fd);
      }
    });
  }
  ~Sink() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  uint16_t port() const { return port_; }

 private:
  int listener_;
  uint16_t port_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

Sink* g_sink = nullptr;
std::vector<uint8_t> g_data(kPayload, 'x');

// A user interface that does nothing when asked to process its messages.
class IdleView : public varnalux::ProgressView {
  void Open(int, int, const char*) override {}
  void SetPosition(int) override {}
  void Close() override {}
  void ProcessPendingMessages() override {}
} g_view;

void BM_WriteLink(benchmark::State& state) {
  varnalux::SerialSettings serial;
  char parallel[varnalux::ParallelNameSize];
  varnalux::TcpTarget tcp;
  varnalux::InitialSerialSettings(serial);
  varnalux::InitialParallelName(parallel);
  varnalux::InitialTcpTarget(tcp);
  varnalux::CopyText(tcp.host, sizeof tcp.host, "127.0.0.1");
  tcp.port = g_sink->port();
  varnalux::BindLinkSettings(serial, parallel, tcp);
  varnalux::SetProgressView(&g_view);
  for (auto _ : state) {
    varnalux::LinkHandle h = varnalux::OpenLink(varnalux::KindEthernet);
    varnalux::ShowProgress(varnalux::ProgressPercentMode, 3, 3);
    bool ok = varnalux::WriteLink(h, varnalux::KindEthernet, g_data.data(), kPayload);
    // Close the window without its 200 ms pause: only the write is measured.
    varnalux::CurrentLinkSettings().progress.active = false;
    varnalux::CloseLink(varnalux::KindEthernet, h);
    if (!ok) state.SkipWithError("WriteLink failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPayload));
}

void BM_PlainSocketLoop(benchmark::State& state) {
  for (auto _ : state) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(g_sink->port());
    connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (size_t off = 0; off < kPayload; off += 1024) {
      size_t done = 0;
      while (done < 1024) {
        ssize_t n = send(fd, g_data.data() + off + done, 1024 - done, MSG_NOSIGNAL);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
    }
    close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPayload));
}

BENCHMARK(BM_WriteLink)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_PlainSocketLoop)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// Keeps the bytes-per-second figure of each benchmark for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // The median of the repetitions, which are interleaved at random so that
    // both loops see the same machine.
    for (const Run& r : runs) {
      auto it = r.counters.find("bytes_per_second");
      if (it == r.counters.end() || r.aggregate_name != "median") continue;
      rate[r.run_name.function_name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rate;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=9";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  Sink sink;
  g_sink = &sink;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double link = reporter.rate["BM_WriteLink"];
  double plain = reporter.rate["BM_PlainSocketLoop"];
  if (link > 0 && plain > 0) {
    printf("\nmedian of 9 interleaved runs of 16 MiB each\n");
    printf("WriteLink over TCP: %.1f MiB/s\nplain 1024-byte socket loop: %.1f MiB/s\n",
           link / 1048576.0, plain / 1048576.0);
    printf("ratio WriteLink / plain loop: %.2f (goal: at least 0.80)\n", link / plain);
  }
  benchmark::Shutdown();
  return 0;
}
