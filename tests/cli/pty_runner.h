// Runs varnalux-cli with a pseudo-terminal as its standard input, output
// and error, the way a technician at a terminal runs it. Bounded in time.
#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace varnalux::testing {

struct PtyResult {
  int exitCode = -1;   // -1: killed after the time limit
  std::string output;  // everything written to the terminal
};

// input is typed once the program has written anything (its question).
inline PtyResult RunCliOnTerminal(const std::vector<std::string>& args,
                                  const std::string& input = "", int timeoutMs = 30000) {
  PtyResult result;
  std::vector<std::string> all{VARNALUX_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return result;
  if (pid == 0) {
    execv(VARNALUX_CLI_PATH, argv.data());
    _exit(127);
  }
  bool typed = input.empty();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) break;
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) continue;
    char buf[4096];
    ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;  // the program ended and closed the terminal
    result.output.append(buf, static_cast<size_t>(n));
    if (!typed) {
      typed = true;
      ssize_t w = write(master, input.data(), input.size());
      (void)w;
    }
  }
  close(master);
  // The terminal closes as the program exits; give the exit a moment.
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (done != pid) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return result;
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace varnalux::testing
