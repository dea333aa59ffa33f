// The exporter scraped by a real Prometheus server: two virtual printers
// behind the exporter, relabelled as the example configuration does; the
// series reach Prometheus and follow a printer's status change.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "http_client.h"
#include "running_exporter.h"
#include "sim/virtual_printer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

using testing::HttpGet;
using testing::RunningExporter;

constexpr char PrometheusPath[] = "/usr/bin/prometheus";
// Prometheus's start and first scrapes take a few seconds; generous bounds,
// left as soon as the condition holds.
constexpr auto SeriesBound = std::chrono::seconds(60);
constexpr auto PollPause = std::chrono::milliseconds(250);

// A port free at the time of asking, for a program that takes no port 0.
int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

// Prometheus as a child process, its output in a log file; ended on every path.
class RunningPrometheus {
 public:
  RunningPrometheus(const std::string& folder, int port) {
    std::vector<std::string> all{PrometheusPath, "--config.file=" + folder + "/prometheus.yml",
                                 "--storage.tsdb.path=" + folder + "/data",
                                 "--web.listen-address=127.0.0.1:" + std::to_string(port),
                                 "--log.level=warn"};
    const std::string log = folder + "/prometheus.log";
    const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (logFd < 0) return;
    pid_ = testing::SpawnProgram(std::move(all), {testing::InheritFd, logFd, logFd});
    close(logFd);
  }
  ~RunningPrometheus() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!testing::WaitForExit(pid_, testing::ExporterStopBound)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  RunningPrometheus(const RunningPrometheus&) = delete;
  RunningPrometheus& operator=(const RunningPrometheus&) = delete;
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

std::string ScrapeConfig(int exporterPort, const std::vector<int>& printerPorts) {
  std::string targets;
  for (int p : printerPorts)
    targets += std::string(targets.empty() ? "" : ", ") + "\"127.0.0.1:" + std::to_string(p) + "\"";
  return "global:\n"
         "  scrape_interval: 1s\n"
         "  scrape_timeout: 1s\n"
         "scrape_configs:\n"
         "  - job_name: label-printers\n"
         "    metrics_path: /probe\n"
         "    static_configs:\n"
         "      - targets: [" +
         targets +
         "]\n"
         "    relabel_configs:\n"
         "      - source_labels: [__address__]\n"
         "        target_label: __param_target\n"
         "      - source_labels: [__param_target]\n"
         "        target_label: instance\n"
         "      - target_label: __address__\n"
         "        replacement: 127.0.0.1:" +
         std::to_string(exporterPort) + "\n";
}

// The value of an instant query whose result is one number ("" when
// Prometheus does not give one yet).
std::string QueryValue(int port, const std::string& encodedQuery) {
  const auto r = HttpGet(port, "/api/v1/query?query=" + encodedQuery, "", std::chrono::seconds(5));
  const std::string& b = r.body;
  if (r.status != 200 || b.find("\"status\":\"success\"") == std::string::npos) return "";
  const size_t value = b.rfind(",\"");
  const size_t end = b.find('"', value + 2);
  if (value == std::string::npos || end == std::string::npos ||
      b.find("\"value\":[") == std::string::npos)
    return "";
  return b.substr(value + 2, end - value - 2);
}

// Polls the query until it gives want, within the bound.
bool WaitForValue(int port, const std::string& encodedQuery, const std::string& want,
                  std::string& last) {
  const auto deadline = std::chrono::steady_clock::now() + SeriesBound;
  while (std::chrono::steady_clock::now() < deadline) {
    last = QueryValue(port, encodedQuery);
    if (last == want) return true;
    poll(nullptr, 0, static_cast<int>(PollPause.count()));
  }
  return false;
}

TEST(ExporterPrometheus, RealServerScrapesBothPrintersAndFollowsTheHeadOpening) {
  if (access(PrometheusPath, X_OK) != 0)
    GTEST_SKIP() << "no prometheus binary at " << PrometheusPath
                 << " (scripts/install-deps.sh --tests installs it)";
  sim::VirtualPrinter first, second;
  ASSERT_TRUE(first.StartTcp("127.0.0.1", 0));
  ASSERT_TRUE(second.StartTcp("127.0.0.1", 0));
  RunningExporter exporter({});
  ASSERT_GT(exporter.Port(), 0);

  testing::TempFolder folder;
  folder.Write("prometheus.yml",
               ScrapeConfig(exporter.Port(), {first.TcpPort(), second.TcpPort()}));
  const int port = FreeLoopbackPort();
  ASSERT_GT(port, 0);
  RunningPrometheus prometheus(folder.Path(), port);
  ASSERT_TRUE(prometheus.Started());

  std::string last;
  EXPECT_TRUE(WaitForValue(port, "sum(varnalux_up)", "2", last))
      << "sum(varnalux_up) stayed at '" << last << "'";
  EXPECT_TRUE(WaitForValue(port, "count(varnalux_up%3D%3D1)", "2", last)) << last;

  first.Control("status 0x01");
  const std::string headOpen =
      "varnalux_condition%7Bcondition%3D%22head_open%22%2Cinstance%3D%22"
      "127.0.0.1%3A" +
      std::to_string(first.TcpPort()) + "%22%7D";
  EXPECT_TRUE(WaitForValue(port, headOpen, "1", last)) << "head_open stayed at '" << last << "'";
  EXPECT_TRUE(
      WaitForValue(port, "sum(varnalux_condition%7Bcondition%3D%22head_open%22%7D)", "1", last))
      << last;
  first.Control("status 0x00");
  EXPECT_TRUE(WaitForValue(port, headOpen, "0", last)) << last;
}

}  // namespace
}  // namespace varnalux
