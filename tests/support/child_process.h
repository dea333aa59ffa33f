// Programs the tests start as child processes: started with posix_spawn,
// each standard descriptor given or inherited, read and waited for within a
// bound.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace varnalux::testing {

// What a child's standard descriptor is: one of the test's descriptors,
// or one of these.
inline constexpr int InheritFd = -1;  // the test's own
inline constexpr int DevNullFd = -2;  // /dev/null

struct ChildFds {
  int in = InheritFd;
  int out = InheritFd;
  int err = InheritFd;
};

// Starts all[0] with the arguments all (all[0] first); the child's pid, or
// -1 when it could not be started.
inline pid_t SpawnProgram(std::vector<std::string> all, ChildFds fds) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int given[3] = {fds.in, fds.out, fds.err};
  for (int target = 0; target < 3; ++target) {
    if (given[target] >= 0) posix_spawn_file_actions_adddup2(&actions, given[target], target);
    if (given[target] == DevNullFd)
      posix_spawn_file_actions_addopen(&actions, target, "/dev/null",
                                       target == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

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

// Reads fd into output until output holds mark; false when fd ends, or the
// bound passes, first.
inline bool ReadUntil(int fd, std::string& output, const std::string& mark,
                      std::chrono::milliseconds bound) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (output.find(mark) == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, MillisecondsLeft(deadline)) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    output.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

struct ProgramResult {
  int exitCode = -1;  // -1: killed after the time limit
  std::string out;
  std::string err;
};

// Runs a program to its end, all[0] with the arguments all, feeding it input
// on its standard input; its outputs and exit status. Killed after timeoutMs.
inline ProgramResult RunProgram(std::vector<std::string> all, const std::string& input,
                                int timeoutMs) {
  int inPipe[2], outPipe[2], errPipe[2];
  ProgramResult result;
  if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 ||
      pipe2(errPipe, O_CLOEXEC) != 0)
    return result;
  const pid_t pid = SpawnProgram(std::move(all), {inPipe[0], outPipe[1], errPipe[1]});
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(inPipe[1]);
    close(outPipe[0]);
    close(errPipe[0]);
    return result;
  }
  // Feed standard input, then read both outputs until they close.
  signal(SIGPIPE, SIG_IGN);
  size_t fed = 0;
  while (fed < input.size()) {
    ssize_t n = write(inPipe[1], input.data() + fed, input.size() - fed);
    if (n <= 0) break;
    fed += static_cast<size_t>(n);
  }
  close(inPipe[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    const int left = MillisecondsLeft(deadline);
    if (left <= 0) break;
    if (poll(fds, 2, left) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& p : fds)
    if (p.fd >= 0) close(p.fd);
  int status = 0;
  if (open > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return result;
  }
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace varnalux::testing
