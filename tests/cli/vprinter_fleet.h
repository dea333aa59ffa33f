// varnalux-vprinter --fleet N as a child process: started with its options,
// ready once it printed "ready" (a bounded wait), ended with SIGTERM (then
// SIGKILL after a bound) when the object goes away. For the tests and the
// benchmark of runs over many printers.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace varnalux::testing {

class VprinterFleet {
 public:
  VprinterFleet(const std::string& program, const std::vector<std::string>& options,
                std::chrono::milliseconds readyWithin) {
    int out[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> all{program};
    all.insert(all.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = out[0];
    if (pid_ > 0) ready_ = WaitForReady(readyWithin);
  }

  ~VprinterFleet() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      int status = 0;
      while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
          kill(pid_, SIGKILL);
          waitpid(pid_, &status, 0);
          break;
        }
        // Waits for the child's end on its output pipe, which closes with it.
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) Drain();
      }
    }
    if (out_ >= 0) close(out_);
  }
  VprinterFleet(const VprinterFleet&) = delete;
  VprinterFleet& operator=(const VprinterFleet&) = delete;

  bool Ready() const { return ready_; }
  // What it printed up to "ready".
  const std::string& Output() const { return output_; }

 private:
  bool WaitForReady(std::chrono::milliseconds within) {
    const auto until = std::chrono::steady_clock::now() + within;
    while (output_.find("ready\n") == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      if (!Drain()) return false;
    }
    return true;
  }

  // Reads what is there; false at the end of the output.
  bool Drain() {
    char buffer[4096];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output_.append(buffer, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  bool ready_ = false;
  std::string output_;
};

}  // namespace varnalux::testing
