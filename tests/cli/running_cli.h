// varnalux-cli started as a process whose standard input the test feeds
// while it runs and may keep open, for checks that the tool acts on input
// before it ends. Standard error may be a terminal, to see what the tool
// draws there. Every wait is bounded; a process still running at the end is
// killed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace varnalux::testing {

class RunningCli {
 public:
  explicit RunningCli(const std::vector<std::string>& args, bool errorOnTerminal = false) {
    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    if (errorOnTerminal) {
      if (openpty(&err[0], &err[1], nullptr, nullptr, nullptr) != 0) return;
      fcntl(err[0], F_SETFD, FD_CLOEXEC);
      fcntl(err[1], F_SETFD, FD_CLOEXEC);
    } else if (pipe2(err, O_CLOEXEC) != 0) {
      return;
    }
    std::vector<std::string> all{VARNALUX_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    pid_ = SpawnProgram(std::move(all), {in[0], out[1], err[1]});
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    out_ = out[0];
    err_ = err[0];
    signal(SIGPIPE, SIG_IGN);
  }

  ~RunningCli() {
    CloseInput();
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  RunningCli(const RunningCli&) = delete;
  RunningCli& operator=(const RunningCli&) = delete;

  bool Started() const { return pid_ > 0; }

  bool Write(const std::string& bytes) {
    size_t done = 0;
    while (input_ >= 0 && done < bytes.size()) {
      ssize_t n = write(input_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return done == bytes.size();
  }

  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }

  // Closes standard input, then waits up to timeoutMs for the process to
  // end, collecting its outputs. exitCode -1 when it did not end in time.
  CliResult Wait(int timeoutMs) {
    CloseInput();
    CliResult result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
      int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count());
      if (left <= 0) break;
      if (poll(fds, 2, left) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        char buf[4096];
        ssize_t n = read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
          (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
        } else {
          // End of a pipe, or EIO from a terminal whose last user left.
          fds[i].fd = -1;
          --open;
        }
      }
    }
    if (open > 0 || pid_ <= 0) return result;
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_)
      result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return result;
  }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int out_ = -1;
  int err_ = -1;
};

}  // namespace varnalux::testing
