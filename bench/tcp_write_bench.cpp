// Send throughput over TCP: 256 MiB through the path of `varnalux-cli send`
// (RunOperation with the send operation: 1024-byte chunks, a progress tick
// per chunk, the close that waits for the bytes to leave) beside a plain loop
// of 1024-byte writes on a default socket to the same local sink, and their
// ratio.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/ratio_runner.h"
#include "link/link_settings.h"
#include "operations/dispatcher.h"

namespace {

constexpr size_t Payload = 256u * 1024 * 1024;
constexpr int Repetitions = 5;

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
std::vector<uint8_t> g_data(Payload, 'x');

void BM_CliSend(benchmark::State& state) {
  varnalux::SerialSettings serial;
  char parallel[varnalux::ParallelNameSize];
  varnalux::TcpTarget tcp;
  varnalux::InitialSerialSettings(serial);
  varnalux::InitialParallelName(parallel);
  varnalux::InitialTcpTarget(tcp);
  varnalux::CopyText(tcp.host, sizeof tcp.host, "127.0.0.1");
  tcp.port = g_sink->port();
  // As the command-line tool binds them: no progress window.
  varnalux::BindLinkSettings(serial, parallel, tcp);
  for (auto _ : state) {
    varnalux::ResultCode r = varnalux::RunOperation(varnalux::OpSendRaw, varnalux::KindEthernet,
                                                    g_data.data(), static_cast<int32_t>(Payload));
    if (r != varnalux::ResultOk) state.SkipWithError("send failed");
  }
  varnalux::UnbindLinkSettings();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Payload));
}

void BM_PlainSocketLoop(benchmark::State& state) {
  for (auto _ : state) {
    // A default socket: no options at all.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(g_sink->port());
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
      state.SkipWithError("connect failed");
    for (size_t off = 0; off < Payload; off += 1024) {
      size_t done = 0;
      while (done < 1024) {
        ssize_t n = send(fd, g_data.data() + off + done, 1024 - done, MSG_NOSIGNAL);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
    }
    close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Payload));
}

BENCHMARK(BM_CliSend)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_PlainSocketLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  Sink sink;
  g_sink = &sink;
  std::map<std::string, double> rate = varnalux::bench::RunInterleaved(argc, argv, Repetitions);
  double link = rate["BM_CliSend"];
  double plain = rate["BM_PlainSocketLoop"];
  if (link > 0 && plain > 0) {
    printf("\nmedian of %d interleaved runs of 256 MiB each\n", Repetitions);
    printf("send over TCP (the tool's path): %.1f MiB/s\n", link / 1048576.0);
    printf("plain 1024-byte loop, default socket: %.1f MiB/s\n", plain / 1048576.0);
    printf("ratio send / plain loop: %.2f (goal: at least 0.80)\n", link / plain);
  }
  return 0;
}
