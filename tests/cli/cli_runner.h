// Runs varnalux-cli as a separate process, the way scripts use it, and
// captures its exit status and output. Every run is bounded in time.
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

struct CliResult {
  int exitCode = -1;  // -1: killed after the time limit
  std::string out;
  std::string err;
};

// Runs program with argv (argv[0] first) and the given standard input.
inline CliResult RunProgram(std::vector<std::string> all, const std::string& input,
                            int timeoutMs) {
  int inPipe[2], outPipe[2], errPipe[2];
  CliResult result;
  if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 ||
      pipe2(errPipe, O_CLOEXEC) != 0)
    return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, all[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned != 0) {
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
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
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

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& input = "",
                        int timeoutMs = 30000) {
  std::vector<std::string> all{VARNALUX_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(std::move(all), input, timeoutMs);
}

// The tool in a network namespace of its own that holds only a loopback
// interface that is down: whatever it would send cannot leave this process's
// namespace, which ends with it. For checks that a destination the tool must
// refuse (a broadcast or multicast address) is refused. False in `ran` when
// no such namespace can be made here (not root, no unshare).
inline CliResult RunCliWithoutNetwork(const std::vector<std::string>& args, bool& ran) {
  ran = access("/usr/bin/unshare", X_OK) == 0 && geteuid() == 0;
  if (!ran) return {};
  std::vector<std::string> all{"/usr/bin/unshare", "--net", "--", VARNALUX_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return RunProgram(std::move(all), "", 30000);
}

}  // namespace varnalux::testing
