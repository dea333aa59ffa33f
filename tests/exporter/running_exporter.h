// varnalux-exporter started as a process for one test: it is asked for a
// free port (port 0) and read for its "listening ADDR:PORT" line; SIGTERM
// and then, if it does not end in time, SIGKILL end it on every path.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace varnalux::testing {

inline constexpr auto ExporterStartBound = std::chrono::seconds(10);
inline constexpr auto ExporterStopBound = std::chrono::seconds(15);

inline int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits (bounded) for the child to end; true when it did.
inline bool WaitForExit(pid_t pid, std::chrono::milliseconds bound, int* status = nullptr) {
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    pollfd p{pidfd, POLLIN, 0};
    poll(&p, 1, static_cast<int>(bound.count()));
    close(pidfd);
  }
  int s = 0;
  const bool ended = waitpid(pid, &s, WNOHANG) == pid;
  if (ended && status != nullptr) *status = s;
  return ended;
}

class RunningExporter {
 public:
  explicit RunningExporter(const std::vector<std::string>& options) {
    int out[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> all{VARNALUX_EXPORTER_PATH, "--listen", "127.0.0.1:0"};
    all.insert(all.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, all[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
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
    const auto deadline = std::chrono::steady_clock::now() + ExporterStartBound;
    const std::string mark = "listening 127.0.0.1:";
    while (output_.find('\n') == std::string::npos) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, MillisecondsLeft(deadline)) <= 0) return;
      char buffer[256];
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) return;
      output_.append(buffer, static_cast<size_t>(n));
    }
    if (output_.rfind(mark, 0) == 0) port_ = std::atoi(output_.c_str() + mark.size());
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int port_ = 0;
  std::string output_;
};

}  // namespace varnalux::testing
