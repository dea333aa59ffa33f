// varnalux-exporter started as a process for one test: it is asked for a
// free port (port 0) and read for its "listening ADDR:PORT" line; SIGTERM
// and then, if it does not end in time, SIGKILL end it on every path.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace varnalux::testing {

inline constexpr auto ExporterStartBound = std::chrono::seconds(10);
inline constexpr auto ExporterStopBound = std::chrono::seconds(15);

class RunningExporter {
 public:
  explicit RunningExporter(const std::vector<std::string>& options) {
    int out[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> all{VARNALUX_EXPORTER_PATH, "--listen", "127.0.0.1:0"};
    all.insert(all.end(), options.begin(), options.end());
    pid_ = SpawnProgram(std::move(all), {InheritFd, out[1], InheritFd});
    close(out[1]);
    out_ = out[0];
    if (pid_ > 0) ReadListeningLine();
  }
  ~RunningExporter() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      if (!WaitForExit(pid_, ExporterStopBound)) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
    if (out_ >= 0) close(out_);
  }
  RunningExporter(const RunningExporter&) = delete;
  RunningExporter& operator=(const RunningExporter&) = delete;

  // 0 until the exporter said where it listens.
  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  const std::string& Output() const { return output_; }

  // SIGTERM and a bounded wait; the exit status, or -1.
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitForExit(pid_, ExporterStopBound, &status)) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // A field of /proc/PID/status in kB (VmRSS, VmHWM); -1 when unread.
  long StatusKb(const std::string& field) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind(field + ":", 0) == 0)
        return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
  }

 private:
  void ReadListeningLine() {
    const std::string mark = "listening 127.0.0.1:";
    if (!ReadUntil(out_, output_, "\n", ExporterStartBound)) return;
    if (output_.rfind(mark, 0) == 0) port_ = std::atoi(output_.c_str() + mark.size());
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int port_ = 0;
  std::string output_;
};

}  // namespace varnalux::testing
