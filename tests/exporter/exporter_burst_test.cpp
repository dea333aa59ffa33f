// varnalux-exporter under a burst: a thousand requests at once, some to a
// printer that never answers. Each is answered (200 or 503), the server
// answers afterwards, and its memory stays bounded.
#include <gtest/gtest.h>

#include <memory>

#include "http_client.h"
#include "running_exporter.h"
#include "sim/virtual_printer.h"

namespace varnalux {
namespace {

using testing::HttpBurst;
using testing::HttpGet;
using testing::RequestText;
using testing::RunningExporter;
using testing::SampleValue;

constexpr int HealthyPrinters = 8;
constexpr int Requests = 1000;
constexpr auto BurstBound = std::chrono::seconds(90);
// Peak resident memory the exporter may reach through the burst.
constexpr long PeakRssBoundKb = 256 * 1024;

TEST(ExporterBurst, EveryRequestIsAnsweredAndTheServerStaysUp) {
  std::vector<std::unique_ptr<sim::VirtualPrinter>> printers;
  for (int i = 0; i < HealthyPrinters + 1; ++i) {
    printers.push_back(std::make_unique<sim::VirtualPrinter>());
    ASSERT_TRUE(printers.back()->StartTcp("127.0.0.1", 0));
  }
  sim::VirtualPrinter& hanging = *printers.back();
  hanging.Control("fault silent");
  const auto path = [&](int i) {
    return "/probe?target=tcp://127.0.0.1:" +
           std::to_string(printers[static_cast<size_t>(i)]->TcpPort());
  };

  RunningExporter exporter({"--concurrency", "16", "--queue-wait", "1", "--probe-timeout", "2"});
  ASSERT_GT(exporter.Port(), 0);
  std::vector<std::string> requests;
  for (int i = 0; i < Requests; ++i) {
    if (i % 10 == 9)
      requests.push_back(RequestText("GET", path(HealthyPrinters)));
    else if (i % 50 == 0)
      requests.push_back(RequestText("GET", "/metrics"));
    else
      requests.push_back(RequestText("GET", path(i % HealthyPrinters)));
  }
  const auto answers = HttpBurst(exporter.Port(), requests, BurstBound);
  int ok = 0, busy = 0, up = 0;
  for (size_t i = 0; i < answers.size(); ++i) {
    const int status = answers[i].status;
    EXPECT_TRUE(status == 200 || status == 503) << "request " << i << ": " << status;
    ok += status == 200;
    busy += status == 503;
    if (status == 200 && SampleValue(answers[i].body, "varnalux_up") == 1) ++up;
  }
  EXPECT_EQ(ok + busy, Requests);
  EXPECT_GT(up, 0);
  RecordProperty("answered_200", ok);
  RecordProperty("answered_503", busy);

  // Afterwards the server answers as before, with nothing left in flight.
  const auto after = HttpGet(exporter.Port(), path(0));
  ASSERT_EQ(after.status, 200);
  EXPECT_EQ(SampleValue(after.body, "varnalux_up"), 1);
  const auto metrics = HttpGet(exporter.Port(), "/metrics").body;
  EXPECT_EQ(SampleValue(metrics, "varnalux_exporter_probes_in_flight"), 0);
  EXPECT_EQ(SampleValue(metrics, "varnalux_exporter_request_errors_total{code=\"503\"}"), busy);
  EXPECT_EQ(SampleValue(metrics, "varnalux_exporter_probes_total{result=\"success\"}") +
                SampleValue(metrics, "varnalux_exporter_probes_total{result=\"failure\"}"),
            ok - Requests / 50 + 1);
  const long peak = exporter.StatusKb("VmHWM");
  ASSERT_GT(peak, 0);
  EXPECT_LT(peak, PeakRssBoundKb);
  EXPECT_EQ(exporter.Stop(), 0);
}

}  // namespace
}  // namespace varnalux
