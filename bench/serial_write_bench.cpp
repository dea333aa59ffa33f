// Send throughput over the serial link on a pseudo-terminal: the link facade's write in
// 64-byte chunks (each waits until its bytes have left, a progress tick and
// a message pump per chunk) beside a plain loop of 64-byte writes to the
// same terminal, and their ratio. A reader on the far end takes everything.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/ratio_runner.h"
#include "link/link_settings.h"
#include "link/printer_link.h"
#include "operations/progress.h"

namespace {

constexpr size_t Payload = 8u * 1024 * 1024;
constexpr int Repetitions = 5;

// A pseudo-terminal whose master end is drained by a thread.
class Terminal {
 public:
  Terminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master_);
    unlockpt(master_);
    slave_ = ptsname(master_);
    hold_ = open(slave_.c_str(), O_RDWR | O_NOCTTY);
    thread_ = std::thread([this] {
      std::vector<char> buf(1 << 16);
      while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 20) > 0) (void)!read(master_, buf.data(), buf.size());
      }
    });
  }
  ~Terminal() {
    stop_ = true;
    thread_.join();
    close(hold_);
    close(master_);
  }
  const std::string& slave() const { return slave_; }

 private:
  int master_ = -1;
  int hold_ = -1;
  std::string slave_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

Terminal* g_terminal = nullptr;
std::vector<uint8_t> g_data(Payload, 'x');

// A user interface that does nothing when asked to process its messages.
class IdleView : public varnalux::ProgressView {
  void Open(int, int, const char*) override {}
  void SetPosition(int) override {}
  void Close() override {}
  void ProcessPendingMessages() override {}
} g_view;

void BM_SerialWriteLink(benchmark::State& state) {
  varnalux::SerialSettings serial;
  char parallel[varnalux::ParallelNameSize];
  varnalux::TcpTarget tcp;
  varnalux::InitialSerialSettings(serial);
  varnalux::InitialParallelName(parallel);
  varnalux::InitialTcpTarget(tcp);
  varnalux::CopyText(serial.portName, sizeof serial.portName, g_terminal->slave().c_str());
  serial.baudIndex = 6;
  serial.hwHandshakeIndex = 0;
  varnalux::BindLinkSettings(serial, parallel, tcp, &varnalux::ProgressObserver());
  varnalux::SetProgressView(&g_view);
  const varnalux::LinkDriver* serialDriver = varnalux::DriverFor(varnalux::KindCom);
  varnalux::LinkProgress* observer = varnalux::CurrentLinkSettings().observer;
  for (auto _ : state) {
    varnalux::LinkHandle h = varnalux::OpenLinkOn(serialDriver, varnalux::KindCom);
    varnalux::ShowProgress(varnalux::ProgressPercentMode, 3, 3);
    bool ok = h != varnalux::InvalidLink &&
              varnalux::WriteLinkOn(serialDriver, h, g_data.data(), Payload,
                                    varnalux::WritePlace{0, Payload, false}, observer);
    // Close the window without its 200 ms pause: only the write is measured.
    varnalux::CurrentLinkSettings().progress.active = false;
    if (h != varnalux::InvalidLink)
      varnalux::CloseLinkOn(serialDriver, h, varnalux::CloseMode::Drain, observer);
    if (!ok) state.SkipWithError("the write failed");
  }
  varnalux::SetProgressView(nullptr);
  varnalux::UnbindLinkSettings();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Payload));
}

void BM_PlainTerminalLoop(benchmark::State& state) {
  for (auto _ : state) {
    int fd = open(g_terminal->slave().c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    for (size_t off = 0; off < Payload; off += 64) {
      size_t done = 0;
      while (done < 64) {
        ssize_t n = write(fd, g_data.data() + off + done, 64 - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
    }
    close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Payload));
}

BENCHMARK(BM_SerialWriteLink)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_PlainTerminalLoop)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  Terminal terminal;
  g_terminal = &terminal;
  std::map<std::string, double> rate = varnalux::bench::RunInterleaved(argc, argv, Repetitions);
  double link = rate["BM_SerialWriteLink"];
  double plain = rate["BM_PlainTerminalLoop"];
  if (link > 0 && plain > 0) {
    printf("\nmedian of %d interleaved runs of 8 MiB each over a pseudo-terminal\n", Repetitions);
    printf("WriteLink over the serial link: %.1f MiB/s\n", link / 1048576.0);
    printf("plain 64-byte terminal loop: %.1f MiB/s\n", plain / 1048576.0);
    printf("ratio WriteLink / plain loop: %.2f\n", link / plain);
  }
  return 0;
}
