// varnalux-vprinter --fleet started as a process: waits (bounded) for its
// "ready" line and reads the printers it announced. A process still running
// at the end is killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace varnalux::sim::test {

inline constexpr auto FleetReadyTimeout = std::chrono::seconds(20);

struct AnnouncedPrinter {
  std::string name;
  uint16_t port = 0;
  uint16_t controlPort = 0;  // 0 without a control channel
};

class FleetProcess {
 public:
  explicit FleetProcess(const std::vector<std::string>& args) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> all{VARNALUX_VPRINTER_PATH};
    all.insert(all.end(), args.begin(), args.end());
    pid_ = testing::SpawnProgram(std::move(all), {testing::DevNullFd, out[1], testing::InheritFd});
    close(out[1]);
    out_ = out[0];
    if (pid_ > 0) ReadUntilReady();
  }
  ~FleetProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  FleetProcess(const FleetProcess&) = delete;
  FleetProcess& operator=(const FleetProcess&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Output() const { return output_; }
  const std::vector<AnnouncedPrinter>& Printers() const { return printers_; }
  uint16_t UdpPort() const { return udpPort_; }

  // Sends SIGTERM and waits up to timeoutMs for the end; the exit code, or
  // -1 when it did not end in time (or not by exiting).
  int Terminate(int timeoutMs) {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // Standard output closes when the process ends.
    while (out_ >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd p{out_, POLLIN, 0};
      if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return -1;
      char buffer[4096];
      if (read(out_, buffer, sizeof buffer) <= 0) break;
    }
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, 0);
    pid_ = -1;
    return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  void ReadUntilReady() {
    if (!testing::ReadUntil(out_, output_, "ready\n", FleetReadyTimeout)) return;
    ready_ = true;
    ParseOutput();
  }

  // "printer NAME listening ADDR:PORT [control ADDR:PORT]" and "udp ADDR:PORT".
  void ParseOutput() {
    std::istringstream lines(output_);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      std::string first, name, listening, address, control, controlAddress;
      words >> first;
      if (first == "udp" && words >> address) udpPort_ = PortOf(address);
      if (first != "printer" || !(words >> name >> listening >> address)) continue;
      AnnouncedPrinter printer{name, PortOf(address), 0};
      if (words >> control >> controlAddress) printer.controlPort = PortOf(controlAddress);
      printers_.push_back(printer);
    }
  }
  static uint16_t PortOf(const std::string& address) {
    const size_t colon = address.rfind(':');
    return colon == std::string::npos
               ? 0
               : static_cast<uint16_t>(std::stoul("0" + address.substr(colon + 1)));
  }

  pid_t pid_ = -1;
  int out_ = -1;
  bool ready_ = false;
  std::string output_;
  std::vector<AnnouncedPrinter> printers_;
  uint16_t udpPort_ = 0;
};

using ProgramResult = testing::ProgramResult;

// Runs varnalux-vprinter with args to its end (at most timeoutMs), for the
// command lines it refuses.
inline ProgramResult RunVprinter(const std::vector<std::string>& args, int timeoutMs) {
  std::vector<std::string> all{VARNALUX_VPRINTER_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return testing::RunProgram(std::move(all), "", timeoutMs);
}

}  // namespace varnalux::sim::test
