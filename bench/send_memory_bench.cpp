// Peak memory and throughput of `varnalux-cli send FILE` over TCP for files
// of 1 MiB, 64 MiB and 1 GiB. The tool runs as a child process against a
// local sink that drains at once; its peak resident memory comes from
// wait4(). Beside it, in the same run and interleaved with it, a plain loop
// (this program started again as a child) reads the same file 256 KiB at a
// time and send()s it in 1,024-byte writes, the link's chunk size, on a
// default socket to the same sink; their throughputs and ratio are printed.
// For comparison only, the same loop sending each 256 KiB whole shows what
// the link's chunk size costs. Every time runs from the start of the child
// to its end, so each pays for starting a process.
//
//   send_memory_bench [--cli=PATH] [google benchmark flags]
//
// --cli measures another build of the tool (an older one, to compare).
// The test files are written into a new folder under $TMPDIR (or /tmp)
// and removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/ratio_runner.h"

extern char** environ;

namespace {

constexpr int Repetitions = 5;
constexpr size_t PlainReadSize = 256 * 1024;
constexpr size_t Chunk = 1024;
// Where the launcher writes what it measured.
constexpr int ReportFd = 3;

struct Size {
  const char* label;
  uint64_t bytes;
};
const Size Sizes[] = {
    {"1MiB", 1ull << 20},
    {"64MiB", 64ull << 20},
    {"1GiB", 1ull << 30},
};

// Accepts connections one after another and discards what they send.
class Sink {
 public:
  Sink() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 16);
    socklen_t len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      std::vector<char> buf(1 << 20);
      while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        while (fd >= 0 && recv(fd, buf.data(), buf.size(), 0) > 0) {
        }
        if (fd >= 0) close(fd);
      }
    });
  }
  ~Sink() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }
  uint16_t port() const { return port_; }

 private:
  int listener_;
  uint16_t port_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The test files, in a folder of their own that goes away with this object.
class TestFiles {
 public:
  TestFiles() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/varnalux-send-bench-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
  }
  ~TestFiles() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }
  // A file of bytes that change all along (not a sparse one: the reads
  // come from the page cache like those of a real file).
  std::string Make(const char* label, uint64_t bytes) {
    if (folder_.empty()) return std::string();
    std::string path = folder_ + "/" + label + ".prn";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return std::string();
    std::vector<uint8_t> block(1 << 20);
    uint32_t x = 2463534242u;
    for (uint64_t done = 0; done < bytes;) {
      for (uint8_t& b : block) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
      }
      size_t n = bytes - done < block.size() ? static_cast<size_t>(bytes - done) : block.size();
      if (write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
        close(fd);
        return std::string();
      }
      done += n;
    }
    close(fd);
    return path;
  }

 private:
  std::string folder_;
};

// The plain loop, run in the child: read the file, send it in chunks of
// chunk bytes.
int PlainSend(const char* path, int port, size_t chunk) {
  int file = open(path, O_RDONLY | O_CLOEXEC);
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (file < 0 || connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return 1;
  std::vector<uint8_t> buf(PlainReadSize);
  for (;;) {
    ssize_t got = read(file, buf.data(), buf.size());
    if (got < 0) return 1;
    if (got == 0) break;
    for (size_t off = 0; off < static_cast<size_t>(got);) {
      size_t want = static_cast<size_t>(got) - off < chunk ? static_cast<size_t>(got) - off : chunk;
      ssize_t n = send(fd, buf.data() + off, want, MSG_NOSIGNAL);
      if (n <= 0) return 2;
      off += static_cast<size_t>(n);
    }
  }
  close(fd);
  close(file);
  return 0;
}

struct ChildRun {
  bool ok = false;
  double seconds = 0;
  long peakKiB = 0;  // ru_maxrss of the child
};

// Starts argv with standard output on /dev/null and waits for it.
ChildRun SpawnAndWait(char* const* argv) {
  ChildRun run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclose(&actions, ReportFd);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peakKiB = usage.ru_maxrss;
  return run;
}

// The launcher, run as a child of its own: a process's peak counts the
// memory of the process it was started from (until its exec), so the
// program measured is started from this small fresh process rather than
// from the benchmark with its buffers. Writes "ok peakKiB seconds" to
// ReportFd.
int Launch(char* const* argv) {
  ChildRun run = SpawnAndWait(argv);
  dprintf(ReportFd, "%d %ld %.9f\n", run.ok ? 1 : 0, run.peakKiB, run.seconds);
  return 0;
}

// Runs args through the launcher and reads what it found.
ChildRun RunChild(const std::string& self, std::vector<std::string> args) {
  ChildRun run;
  args.insert(args.begin(), {self, "--launch"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, report[1], ReportFd);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(report[1]);
  std::string text;
  char buf[256];
  ssize_t n;
  while (spawned == 0 && (n = read(report[0], buf, sizeof buf)) > 0)
    text.append(buf, static_cast<size_t>(n));
  close(report[0]);
  if (spawned != 0 || waitpid(pid, nullptr, 0) != pid) return run;
  int ok = 0;
  if (sscanf(text.c_str(), "%d %ld %lf", &ok, &run.peakKiB, &run.seconds) == 3) run.ok = ok == 1;
  return run;
}

std::string g_cli = VARNALUX_CLI_PATH;
std::string g_self;
// The largest peak seen per benchmark, in KiB.
std::map<std::string, long> g_peak;

void Measure(benchmark::State& state, const std::string& name, std::vector<std::string> args,
             uint64_t bytes) {
  for (auto _ : state) {
    ChildRun run = RunChild(g_self, args);
    if (!run.ok) {
      state.SkipWithError("the child failed");
      break;
    }
    state.SetIterationTime(run.seconds);
    long& peak = g_peak[name];
    if (run.peakKiB > peak) peak = run.peakKiB;
    state.counters["peak_rss_MiB"] = static_cast<double>(run.peakKiB) / 1024.0;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

int main(int argc, char** argv) {
  // The children: the plain loops and the launcher.
  if (argc == 5 && strcmp(argv[1], "--plain-send") == 0)
    return PlainSend(argv[2], atoi(argv[3]), static_cast<size_t>(atol(argv[4])));
  if (argc > 2 && strcmp(argv[1], "--launch") == 0) return Launch(argv + 2);

  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (strncmp(argv[i], "--cli=", 6) == 0)
      g_cli = argv[i] + 6;
    else
      rest.push_back(argv[i]);
  }
  g_self = std::filesystem::read_symlink("/proc/self/exe").string();

  Sink sink;
  TestFiles files;
  const std::string port = std::to_string(sink.port());
  const std::string target = "127.0.0.1:" + port;
  auto add = [](const std::string& name, std::vector<std::string> args, uint64_t bytes) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [=](benchmark::State& s) { Measure(s, name, args, bytes); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->UseManualTime();
  };
  for (const Size& size : Sizes) {
    const std::string path = files.Make(size.label, size.bytes);
    if (path.empty()) {
      fprintf(stderr, "cannot write the %s test file\n", size.label);
      return 1;
    }
    add(std::string("cli_send/") + size.label, {g_cli, "--tcp", target, "send", path}, size.bytes);
    add(std::string("plain_loop/") + size.label,
        {g_self, "--plain-send", path, port, std::to_string(Chunk)}, size.bytes);
    add(std::string("plain_whole/") + size.label,
        {g_self, "--plain-send", path, port, std::to_string(PlainReadSize)}, size.bytes);
  }

  int count = static_cast<int>(rest.size());
  std::map<std::string, double> rate =
      varnalux::bench::RunInterleaved(count, rest.data(), Repetitions);

  auto mib = [](double v) { return v / 1048576.0; };
  printf("\nmedians of the interleaved runs; peak resident memory is the largest of the runs\n");
  printf("tool: %s\n", g_cli.c_str());
  printf("%-6s %14s %14s %11s %11s %6s %13s\n", "size", "send peak", "plain peak", "send MiB/s",
         "plain MiB/s", "ratio", "whole MiB/s");
  for (const Size& size : Sizes) {
    const std::string send = std::string("cli_send/") + size.label;
    const std::string plain = std::string("plain_loop/") + size.label;
    const std::string whole = std::string("plain_whole/") + size.label;
    double s = rate[send], p = rate[plain];
    printf("%-6s %10.1f MiB %10.1f MiB %11.1f %11.1f %6.2f %13.1f\n", size.label,
           mib(static_cast<double>(g_peak[send]) * 1024.0),
           mib(static_cast<double>(g_peak[plain]) * 1024.0), mib(s), mib(p), p > 0 ? s / p : 0.0,
           mib(rate[whole]));
  }
  printf(
      "send: varnalux-cli send FILE; plain: read 256 KiB, send() 1,024 bytes at a time;\n"
      "whole (for comparison only): read 256 KiB, send() it whole\n"
      "goal: send peak under 32 MiB at every size; ratio send / plain at least 0.90\n");
  return 0;
}
