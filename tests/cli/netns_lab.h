// Private networks for the tests of the real broadcast and multicast path:
// network namespaces joined by veth pairs (and a bridge where several
// hosts share a segment), with private addresses used only inside them.
// Everything the lab creates, namespaces and the processes started in them,
// is removed when it goes out of scope, whether the test passed or not.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace varnalux::testing {

struct Ran {
  int status = -1;  // exit status; -1 when killed after the time limit
  std::string out;
};

// Runs a program (looked up on PATH) to its end, at most timeoutMs;
// standard output is kept, standard error passes through.
inline Ran RunProgram(const std::vector<std::string>& args, int timeoutMs = 20000) {
  Ran ran;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return ran;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return ran;
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    ran.out.append(buffer, static_cast<size_t>(n));
  }
  close(out[0]);
  // Its output has ended; the exit follows, within what is left of the limit.
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < end)
    usleep(5000);
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return ran;
  }
  if (done == pid && WIFEXITED(status)) ran.status = WEXITSTATUS(status);
  return ran;
}

// Runs fn on a thread of its own that has joined the network namespace ns
// (a name `ip netns` knows): the sockets fn makes belong to that namespace
// for their whole life. False, without running fn, when it cannot join.
inline bool InNamespace(const std::string& ns, const std::function<void()>& fn) {
  bool joined = false;
  std::thread thread([&] {
    const int fd = open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    joined = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    if (joined) fn();
  });
  thread.join();
  return joined;
}

// Sends one line to a TCP port of 127.0.0.1 inside ns (a virtual printer's
// control channel) and returns the reply up to its final "OK" or "ERROR"
// line; empty when nothing answered within timeoutMs.
inline std::string AskInNamespace(const std::string& ns, uint16_t port, const std::string& line,
                                  int timeoutMs = 5000) {
  std::string reply;
  InNamespace(ns, [&] {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    const std::string request = line + "\n";
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
      char buffer[4096];
      while (reply.find("OK\n") == std::string::npos && reply.find("ERROR") == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        reply.append(buffer, static_cast<size_t>(n));
      }
    }
    close(fd);
  });
  return reply;
}

class NetnsLab {
 public:
  NetnsLab() : prefix_(UniquePrefix()) {}
  ~NetnsLab() {
    for (pid_t pid : processes_) {
      kill(pid, SIGTERM);
      int status = 0;
      for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(20000);
      if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
      }
    }
    for (const std::string& ns : namespaces_) RunProgram({"ip", "netns", "del", ns});
  }
  NetnsLab(const NetnsLab&) = delete;
  NetnsLab& operator=(const NetnsLab&) = delete;

  // Whether namespaces can be made here (root and iproute2); why not in
  // reason.
  static bool Available(std::string& reason) {
    if (geteuid() != 0) {
      reason = "network namespaces need root";
      return false;
    }
    NetnsLab probe;
    if (probe.Add("probe").empty()) {
      reason = "'ip netns add' does not work here";
      return false;
    }
    return true;
  }

  // A new namespace with its loopback up; its full name ("" on failure).
  std::string Add(const std::string& name) {
    const std::string ns = prefix_ + name;
    if (RunProgram({"ip", "netns", "add", ns}).status != 0) return "";
    namespaces_.push_back(ns);
    Ip(ns, {"link", "set", "lo", "up"});
    return ns;
  }

  // `ip -n NS ARGS...`; true on success.
  bool Ip(const std::string& ns, std::vector<std::string> args) {
    args.insert(args.begin(), {"ip", "-n", ns});
    return RunProgram(args).status == 0;
  }

  // A veth pair with one end in each namespace, both up.
  bool Link(const std::string& nsA, const std::string& ifA, const std::string& nsB,
            const std::string& ifB) {
    return RunProgram({"ip", "link", "add", ifA, "netns", nsA, "type", "veth", "peer", "name", ifB,
                       "netns", nsB})
                   .status == 0 &&
           Ip(nsA, {"link", "set", ifA, "up"}) && Ip(nsB, {"link", "set", ifB, "up"});
  }

  // Starts a program inside a namespace and waits (at most 10 s) for a line
  // "ready" on its output; its pid, or -1.
  pid_t Start(const std::string& ns, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"ip", "netns", "exec", ns};
    all.insert(all.end(), args.begin(), args.end());
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "ip", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
      close(out[0]);
      return -1;
    }
    processes_.push_back(pid);
    std::string seen;
    char buffer[512];
    bool ready = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready && std::chrono::steady_clock::now() < end) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 200) <= 0) continue;
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      seen.append(buffer, static_cast<size_t>(n));
      ready = seen.find("ready\n") != std::string::npos;
    }
    close(out[0]);  // the printer prints nothing more unless signalled
    return ready ? pid : -1;
  }

 private:
  // Unique among labs of every process here, whatever pid namespace it runs
  // in: the pid, the time and a counter.
  static std::string UniquePrefix() {
    static int count = 0;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return "vlx" + std::to_string(getpid()) + "x" + std::to_string(now % 1000000) + "x" +
           std::to_string(count++) + "-";
  }

  std::string prefix_;
  std::vector<std::string> namespaces_;
  std::vector<pid_t> processes_;
};

}  // namespace varnalux::testing
