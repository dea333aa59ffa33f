// varnalux-exporter as a program against virtual printers: what /probe
// answers for healthy, silent and changing printers, what it refuses, and
// what /metrics counts.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "http_client.h"
#include "link/link_settings.h"
#include "protocol/config_file.h"
#include "protocol/config_reader.h"
#include "running_exporter.h"
#include "sim/virtual_printer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

using testing::HttpGet;
using testing::HttpRequest;
using testing::RequestText;
using testing::RunningExporter;
using testing::SampleValue;

using Clock = std::chrono::steady_clock;

class ExporterProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(printer_.StartTcp("127.0.0.1", 0));
    target_ = "tcp://127.0.0.1:" + std::to_string(printer_.TcpPort());
  }
  std::string ProbePath() const { return "/probe?target=" + target_; }

  sim::VirtualPrinter printer_;
  std::string target_;
};

TEST_F(ExporterProbe, HealthyPrinterGivesEveryMetric) {
  RunningExporter exporter({});
  ASSERT_GT(exporter.Port(), 0) << exporter.Output();
  const auto r = HttpGet(exporter.Port(), ProbePath());
  ASSERT_EQ(r.status, 200) << r.head << r.body;
  EXPECT_NE(r.head.find("Content-Type: text/plain; version=0.0.4"), std::string::npos) << r.head;
  const std::string& m = r.body;
  EXPECT_EQ(SampleValue(m, "varnalux_up"), 1) << m;
  EXPECT_EQ(SampleValue(m, "varnalux_status_code"), 0);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"ready\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"head_open\"}"), 0);
  EXPECT_EQ(SampleValue(m, "varnalux_mileage_meters"), 12400);
  EXPECT_EQ(SampleValue(m,
                        "varnalux_printer_info{model=\"VXP-4\",version=\"VXP-4 V1.16\","
                        "checksum=\"7F3A21C4\"}"),
            1);
  for (int device = 0; device < 3; ++device) {
    const char* names[] = {"dram", "flash", "card"};
    EXPECT_EQ(SampleValue(m, std::string("varnalux_memory_free_kilobytes{device=\"") +
                                 names[device] + "\"}"),
              printer_.FreeKb(device))
        << names[device];
    EXPECT_GT(SampleValue(m, std::string("varnalux_memory_size_kilobytes{device=\"") +
                                 names[device] + "\"}"),
              0);
  }
  const double seconds = SampleValue(m, "varnalux_probe_duration_seconds");
  EXPECT_GT(seconds, 0);
  EXPECT_LT(seconds, 8);
  // No baseline: no drift.
  EXPECT_EQ(m.find("varnalux_config_drift"), std::string::npos);
  // The same printer by its bare address, as file discovery lists it.
  const auto bare =
      HttpGet(exporter.Port(), "/probe?target=127.0.0.1:" + std::to_string(printer_.TcpPort()));
  EXPECT_EQ(SampleValue(bare.body, "varnalux_up"), 1);
}

TEST_F(ExporterProbe, ConditionGaugesFollowTheStatusByte) {
  RunningExporter exporter({});
  ASSERT_GT(exporter.Port(), 0);
  EXPECT_EQ(printer_.Control("status 0x01"), "0x01\nOK\n");
  auto m = HttpGet(exporter.Port(), ProbePath()).body;
  EXPECT_EQ(SampleValue(m, "varnalux_status_code"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"head_open\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"ready\"}"), 0);
  printer_.Control("status 0xA4");  // paper out, printing, other error
  m = HttpGet(exporter.Port(), ProbePath()).body;
  EXPECT_EQ(SampleValue(m, "varnalux_status_code"), 0xA4);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"head_open\"}"), 0);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"paper_out\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"printing\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"other_error\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"pause\"}"), 0);
  // Bit 6 alone leaves the printer ready.
  printer_.Control("status 0x40");
  m = HttpGet(exporter.Port(), ProbePath()).body;
  EXPECT_EQ(SampleValue(m, "varnalux_condition{condition=\"ready\"}"), 1);
}

TEST_F(ExporterProbe, SilentPrinterIsDownWithinTheProbeTimeout) {
  RunningExporter exporter({"--probe-timeout", "3"});
  ASSERT_GT(exporter.Port(), 0);
  printer_.Control("fault silent");
  const auto start = Clock::now();
  auto r = HttpGet(exporter.Port(), ProbePath());
  const double took = std::chrono::duration<double>(Clock::now() - start).count();
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 0);
  EXPECT_EQ(r.body.find("varnalux_status_code"), std::string::npos);
  // Bounds with room for a loaded machine: a probe that ignored its time-out
  // would take the printer's whole read time-outs, several times longer.
  EXPECT_LT(took, 5.0);
  EXPECT_LE(SampleValue(r.body, "varnalux_probe_duration_seconds"), 3.5);
  // Prometheus's scrape time-out header shortens the probe further.
  r = HttpGet(exporter.Port(), ProbePath(), "X-Prometheus-Scrape-Timeout-Seconds: 1\r\n");
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 0);
  EXPECT_LT(SampleValue(r.body, "varnalux_probe_duration_seconds"), 1.0);
  // Nothing listening, and a name that does not resolve: down as well.
  r = HttpGet(exporter.Port(), "/probe?target=tcp://127.0.0.1:1");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 0);
  r = HttpGet(exporter.Port(), "/probe?target=no-such-printer.invalid");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 0);
  // The printer back: up again.
  printer_.Control("fault none");
  r = HttpGet(exporter.Port(), ProbePath());
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 1);
}

TEST_F(ExporterProbe, SlowAnsweringPrinterStaysWithinTheProbeTimeout) {
  // Every answer in three pieces with pauses: the forty-odd reports of a
  // whole probe take several seconds, the probe may take one.
  RunningExporter exporter({"--probe-timeout", "1"});
  ASSERT_GT(exporter.Port(), 0);
  printer_.Control("fault split");
  const auto start = Clock::now();
  const auto r = HttpGet(exporter.Port(), ProbePath());
  const double took = std::chrono::duration<double>(Clock::now() - start).count();
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 1) << r.body;
  // The whole probe unbounded takes over four seconds; the bounds leave room
  // for a loaded machine.
  EXPECT_LT(SampleValue(r.body, "varnalux_probe_duration_seconds"), 1.8) << r.body;
  EXPECT_LT(took, 3.0);
  // What did not arrive in time is left out rather than reported half read.
  EXPECT_EQ(r.body.find("varnalux_printer_info"), std::string::npos) << r.body;
}

TEST_F(ExporterProbe, RefusedAndMalformedRequestsAreCounted) {
  RunningExporter exporter({});
  ASSERT_GT(exporter.Port(), 0);
  const int port = exporter.Port();
  struct Case {
    std::string request;
    int status;
    const char* reason;  // a piece of the one-line reason
  };
  const Case cases[] = {
      {RequestText("GET", "/probe?target=10.0.4.21:9100"), 403, "outside the allowed networks"},
      {RequestText("GET", "/probe?target=tcp://%5B2001:db8::1%5D:9100"), 403, "2001:db8::1"},
      {RequestText("GET", "/probe?target=com:/dev/ttyUSB0&baud=115200"), 403,
       "--allow-local-ports"},
      {RequestText("GET", "/probe?target=usb"), 403, "--allow-local-ports"},
      {RequestText("GET", "/probe"), 400, "missing target"},
      {RequestText("GET", "/probe?target="), 400, "empty target"},
      {RequestText("GET", "/probe?target=a&target=b"), 400, "once"},
      {RequestText("GET", "/probe?target=tcp://%5B::1"), 400, "bad TCP target"},
      {RequestText("GET", "/probe?target=lpt:LPT1"), 400, "parallel"},
      {RequestText("GET", "/probe?target=127.0.0.1&baud=9600"), 400, "com:"},
      {RequestText("GET", "/probe?target=127.0.0.1",
                   "X-Prometheus-Scrape-Timeout-Seconds: soon\r\n"),
       400, "Scrape-Timeout"},
      {RequestText("GET", "/nowhere"), 404, "not found"},
      {RequestText("POST", "/probe?target=127.0.0.1"), 405, "only GET"},
      {RequestText("HEAD", "/metrics"), 405, ""},
  };
  for (const Case& c : cases) {
    const auto r = HttpRequest(port, c.request);
    EXPECT_EQ(r.status, c.status) << c.request;
    EXPECT_NE(r.body.find(c.reason), std::string::npos) << c.request << " -> " << r.body;
    if (c.status != 405 || c.reason[0] != '\0') {
      EXPECT_EQ(r.body.find('\n'), r.body.size() - 1) << "one line: " << r.body;
    }
  }
  EXPECT_EQ(HttpGet(port, ProbePath()).status, 200);
  printer_.Control("fault silent");
  EXPECT_EQ(HttpGet(port, ProbePath(), "X-Prometheus-Scrape-Timeout-Seconds: 0.8\r\n").status, 200);

  const auto metrics = HttpGet(port, "/metrics");
  ASSERT_EQ(metrics.status, 200);
  const std::string& m = metrics.body;
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_refused_targets_total"), 4) << m;
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_request_errors_total{code=\"400\"}"), 7);
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_request_errors_total{code=\"404\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_request_errors_total{code=\"405\"}"), 2);
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_request_errors_total{code=\"503\"}"), 0);
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_probes_total{result=\"success\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_probes_total{result=\"failure\"}"), 1);
  EXPECT_EQ(SampleValue(m, "varnalux_exporter_probes_in_flight"), 0);
  const double started = SampleValue(m, "process_start_time_seconds");
  const double now =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_GT(started, now - 120);
  EXPECT_LE(started, now + 1);
  for (const char* family :
       {"varnalux_exporter_probes_total", "varnalux_exporter_probes_in_flight",
        "varnalux_exporter_refused_targets_total", "varnalux_exporter_request_errors_total",
        "process_start_time_seconds"}) {
    EXPECT_NE(m.find(std::string("# HELP ") + family + " "), std::string::npos) << family;
    EXPECT_NE(m.find(std::string("# TYPE ") + family + " "), std::string::npos) << family;
  }
  EXPECT_EQ(exporter.Stop(), 0);
}

TEST_F(ExporterProbe, AllowedNetworksAndLocalPortsOpenUp) {
  // 127.0.0.1 outside the only allowed network: refused.
  RunningExporter narrow({"--allow", "10.0.4.0/24"});
  ASSERT_GT(narrow.Port(), 0);
  EXPECT_EQ(HttpGet(narrow.Port(), ProbePath()).status, 403);
  // Local ports allowed: a serial port that does not exist is down, not refused.
  RunningExporter local({"--allow-local-ports", "--probe-timeout", "2"});
  ASSERT_GT(local.Port(), 0);
  const auto r = HttpGet(local.Port(), "/probe?target=com:/nonexistent/ttyX&baud=19200");
  EXPECT_EQ(r.status, 200) << r.body;
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 0);
  EXPECT_EQ(HttpGet(local.Port(), "/probe?target=" + target_).status, 200);
}

// The printer's configuration read here, saved as a .dcf.
bool SaveBaseline(int port, const std::string& path) {
  SerialSettings serial{};
  char parallel[ParallelNameSize] = {};
  TcpTarget tcp{};
  InitialSerialSettings(serial);
  InitialParallelName(parallel);
  InitialTcpTarget(tcp);
  CopyText(tcp.host, sizeof tcp.host, "127.0.0.1");
  tcp.port = port;
  BindLinkSettings(serial, parallel, tcp);
  PrinterConfig config;
  ResetConfig(config);
  const ResultCode code = ReadConfig(KindEthernet, config);
  UnbindLinkSettings();
  if (code != ResultOk) return false;
  uint8_t image[ConfigFileSize];
  BuildConfigFile(config, UnitMm, PrinterStatus{}, image);
  return SaveConfigFile(path, image);
}

TEST_F(ExporterProbe, DriftComparesWithTheBaseline) {
  testing::TempFolder folder;
  const std::string baseline = folder.Path("baseline.dcf");
  ASSERT_TRUE(SaveBaseline(printer_.TcpPort(), baseline));
  RunningExporter exporter({"--baseline", baseline});
  ASSERT_GT(exporter.Port(), 0);
  EXPECT_EQ(SampleValue(HttpGet(exporter.Port(), ProbePath()).body, "varnalux_config_drift"), 0);
  printer_.Execute("DENSITY 12");
  EXPECT_EQ(SampleValue(HttpGet(exporter.Port(), ProbePath()).body, "varnalux_config_drift"), 1);
  printer_.Execute("DENSITY 8");
  EXPECT_EQ(SampleValue(HttpGet(exporter.Port(), ProbePath()).body, "varnalux_config_drift"), 0);
  // A baseline that cannot be read stops the start.
  RunningExporter bad({"--baseline", folder.Write("bad.dcf", "not a configuration")});
  EXPECT_EQ(bad.Port(), 0);
  EXPECT_EQ(bad.Stop(), 64);
}

TEST_F(ExporterProbe, HostileAnswersStayInsideTheirLabels) {
  RunningExporter exporter({});
  ASSERT_GT(exporter.Port(), 0);
  // (A brace would end the framed answer itself: the printer cannot send one.)
  printer_.OverrideReport("VERSION", "BAD\"=1\\ V\xFF\x01");
  printer_.OverrideReport("CHECKSUM", "\"\n\"");
  printer_.OverrideReport("MILAGE", "-5");
  printer_.OverrideReport("DFREESPACE", "12abc");
  const auto r = HttpGet(exporter.Port(), ProbePath());
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 1);
  EXPECT_EQ(SampleValue(r.body,
                        "varnalux_printer_info{model=\"BAD\\\"=1\\\\\",version=\"BAD\\\"=1\\\\ "
                        "V\\\\xFF\\\\x01\",checksum=\"\\\"\\n\\\"\"}"),
            1)
      << r.body;
  EXPECT_EQ(r.body.find("varnalux_mileage_meters"), std::string::npos);
  EXPECT_TRUE(std::isnan(SampleValue(r.body, "varnalux_memory_free_kilobytes{device=\"dram\"}")));
  EXPECT_EQ(SampleValue(r.body, "varnalux_memory_free_kilobytes{device=\"flash\"}"),
            printer_.FreeKb(sim::MemoryFlash));
  // Every line is a comment or a sample: nothing broke out of its quotes.
  size_t at = 0;
  while (at < r.body.size()) {
    const size_t end = r.body.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = r.body.substr(at, end - at);
    EXPECT_TRUE(line.rfind("# ", 0) == 0 || line.rfind("varnalux_", 0) == 0) << line;
    at = end + 1;
  }
}

TEST_F(ExporterProbe, PrinterWithoutCardGivesNoCardSeries) {
  sim::PrinterOptions options;
  options.hasCard = false;
  sim::VirtualPrinter cardless(options);
  ASSERT_TRUE(cardless.StartTcp("127.0.0.1", 0));
  RunningExporter exporter({});
  ASSERT_GT(exporter.Port(), 0);
  const auto r =
      HttpGet(exporter.Port(), "/probe?target=127.0.0.1:" + std::to_string(cardless.TcpPort()));
  EXPECT_EQ(SampleValue(r.body, "varnalux_up"), 1);
  EXPECT_EQ(SampleValue(r.body, "varnalux_memory_free_kilobytes{device=\"flash\"}"),
            cardless.FreeKb(sim::MemoryFlash));
  EXPECT_EQ(r.body.find("device=\"card\""), std::string::npos) << r.body;
}

}  // namespace
}  // namespace varnalux
