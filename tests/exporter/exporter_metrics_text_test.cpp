// The exposition text: escaping of what printers answer, the value format,
// and a probe's report as metrics.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/exporter/metrics_text.h"
#include "app/exporter/probe.h"
#include "app/exporter/probe_metrics.h"

namespace varnalux {
namespace {

TEST(ExporterMetricsText, LabelValuesCannotBreakOutOfTheirQuotes) {
  EXPECT_EQ(EscapeLabelValue("VXP-4 V1.16"), "VXP-4 V1.16");
  EXPECT_EQ(EscapeLabelValue("a\"b"), "a\\\"b");
  EXPECT_EQ(EscapeLabelValue("a\\b"), "a\\\\b");
  EXPECT_EQ(EscapeLabelValue("a\nb"), "a\\nb");
  // Other control bytes and DEL become the text \xNN, its backslash escaped.
  EXPECT_EQ(EscapeLabelValue(std::string("a\rb\x01\x7f", 5)), "a\\\\x0Db\\\\x01\\\\x7F");
  EXPECT_EQ(EscapeLabelValue(std::string("a\0b", 3)), "a\\\\x00b");
  // A value that tries to close itself and start another label or line.
  EXPECT_EQ(EscapeLabelValue("x\"} 1\nvarnalux_up 0 #"), "x\\\"} 1\\nvarnalux_up 0 #");
}

TEST(ExporterMetricsText, OnlyWellFormedUtf8PassesThrough) {
  EXPECT_EQ(EscapeLabelValue("Drucker \xC3\xBC \xE2\x82\xAC \xF0\x9F\x96\xA8"),
            "Drucker \xC3\xBC \xE2\x82\xAC \xF0\x9F\x96\xA8");
  EXPECT_EQ(EscapeLabelValue("\xFF"), "\\\\xFF");
  EXPECT_EQ(EscapeLabelValue("\xC3"), "\\\\xC3");                        // cut short at the end
  EXPECT_EQ(EscapeLabelValue("\xC3("), "\\\\xC3(");                      // bad continuation
  EXPECT_EQ(EscapeLabelValue("\xC0\xAF"), "\\\\xC0\\\\xAF");             // overlong "/"
  EXPECT_EQ(EscapeLabelValue("\xED\xA0\x80"), "\\\\xED\\\\xA0\\\\x80");  // a surrogate
  EXPECT_EQ(EscapeLabelValue("\xF4\x90\x80\x80"), "\\\\xF4\\\\x90\\\\x80\\\\x80");  // > U+10FFFF
  EXPECT_EQ(EscapeLabelValue("\xE2\x82"), "\\\\xE2\\\\x82");
}

TEST(ExporterMetricsText, ValuesAndFamilies) {
  EXPECT_EQ(FormatSampleValue(1), "1");
  EXPECT_EQ(FormatSampleValue(0), "0");
  EXPECT_EQ(FormatSampleValue(12400), "12400");
  EXPECT_EQ(FormatSampleValue(0.125), "0.125");
  EXPECT_EQ(FormatSampleValue(-3.5), "-3.5");
  EXPECT_EQ(FormatSampleValue(1e300), "1e+300");
  EXPECT_EQ(FormatSampleValue(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(FormatSampleValue(std::numeric_limits<double>::infinity()), "+Inf");
  EXPECT_EQ(FormatSampleValue(-std::numeric_limits<double>::infinity()), "-Inf");
  EXPECT_EQ(EscapeHelp("a\\b\nc \"q\""), "a\\\\b\\nc \"q\"");

  MetricsText text;
  text.Family("m_total", "counter", "Things.\nMore");
  text.Sample("m_total", 3, {{"a", "x"}, {"b", "y\"z"}});
  text.Sample("m_total", 0.5);
  EXPECT_EQ(text.Text(),
            "# HELP m_total Things.\\nMore\n# TYPE m_total counter\n"
            "m_total{a=\"x\",b=\"y\\\"z\"} 3\nm_total 0.5\n");
}

TEST(ExporterMetricsText, PrinterNumbersAreReadStrictly) {
  double meters = -1;
  EXPECT_TRUE(MileageMeters("12.4", meters));
  EXPECT_DOUBLE_EQ(meters, 12400);
  EXPECT_TRUE(MileageMeters(" 0 ", meters));
  EXPECT_DOUBLE_EQ(meters, 0);
  for (const char* bad : {"", "-1", "12.4km", "1e400", "nan", "inf", "0x10"})
    EXPECT_FALSE(MileageMeters(bad, meters)) << bad;
  int64_t kb = -1;
  EXPECT_TRUE(SpaceKilobytes("4096", kb));
  EXPECT_EQ(kb, 4096);
  for (const char* bad : {"", "-5", "12abc", "99999999999", "1.5"})
    EXPECT_FALSE(SpaceKilobytes(bad, kb)) << bad;
}

// The lines of the text that start with prefix.
std::vector<std::string> LinesStarting(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

TEST(ExporterProbeMetrics, ADownPrinterGivesUpAndDurationOnly) {
  MetricsText text;
  WriteProbeMetrics(ProbeReport{}, 1.25, text);
  EXPECT_EQ(text.Text(),
            "# HELP varnalux_up 1 when the printer answered the status query, else 0.\n"
            "# TYPE varnalux_up gauge\nvarnalux_up 0\n"
            "# HELP varnalux_probe_duration_seconds How long the probe took, in seconds.\n"
            "# TYPE varnalux_probe_duration_seconds gauge\n"
            "varnalux_probe_duration_seconds 1.25\n");
}

TEST(ExporterProbeMetrics, AnsweringPrinterGivesEveryFamilyWithHostileTextsEscaped) {
  ProbeReport report;
  report.up = true;
  report.statusByte = 0x05;  // head open, paper out
  report.configRead = true;
  report.version = "EVIL\"} 1\nvarnalux_up{x=\"1 V2\\";
  report.checksum = std::string("\x1b[2J", 4);
  report.mileageValid = true;
  report.mileageMeters = 12400;
  report.driftKnown = true;
  report.drift = true;
  report.memory[0] = {true, 8192, true, 4000};
  report.memory[1] = {true, 4096, true, 1000};
  MetricsText text;
  WriteProbeMetrics(report, 0.01, text);
  const std::string& t = text.Text();
  // Every sample line belongs to a family with HELP and TYPE before it.
  for (const char* family : {"varnalux_up", "varnalux_probe_duration_seconds",
                             "varnalux_status_code", "varnalux_condition", "varnalux_printer_info",
                             "varnalux_mileage_meters", "varnalux_config_drift",
                             "varnalux_memory_size_kilobytes", "varnalux_memory_free_kilobytes"}) {
    const std::string help = std::string("# HELP ") + family + " ";
    const std::string type = std::string("# TYPE ") + family + " gauge";
    ASSERT_NE(t.find(help), std::string::npos) << family;
    ASSERT_NE(t.find(type), std::string::npos) << family;
    EXPECT_LT(t.find(help), t.find(type));
  }
  EXPECT_NE(t.find("\nvarnalux_status_code 5\n"), std::string::npos);
  const auto conditions = LinesStarting(t, "varnalux_condition{");
  EXPECT_EQ(conditions,
            (std::vector<std::string>{"varnalux_condition{condition=\"ready\"} 0",
                                      "varnalux_condition{condition=\"head_open\"} 1",
                                      "varnalux_condition{condition=\"paper_jam\"} 0",
                                      "varnalux_condition{condition=\"paper_out\"} 1",
                                      "varnalux_condition{condition=\"ribbon_out\"} 0",
                                      "varnalux_condition{condition=\"pause\"} 0",
                                      "varnalux_condition{condition=\"printing\"} 0",
                                      "varnalux_condition{condition=\"other_error\"} 0"}));
  // The hostile version stays one line, inside its quotes.
  const auto info = LinesStarting(t, "varnalux_printer_info");
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0],
            "varnalux_printer_info{model=\"EVIL\\\"}\",version=\"EVIL\\\"} 1\\nvarnalux_up{x=\\\"1 "
            "V2\\\\\",checksum=\"\\\\x1B[2J\"} 1");
  EXPECT_EQ(LinesStarting(t, "varnalux_up").size(), 1u);
  EXPECT_NE(t.find("\nvarnalux_mileage_meters 12400\n"), std::string::npos);
  EXPECT_NE(t.find("\nvarnalux_config_drift 1\n"), std::string::npos);
  // The card did not answer: no card series.
  EXPECT_EQ(LinesStarting(t, "varnalux_memory_free_kilobytes"),
            (std::vector<std::string>{"varnalux_memory_free_kilobytes{device=\"dram\"} 4000",
                                      "varnalux_memory_free_kilobytes{device=\"flash\"} 1000"}));
  EXPECT_EQ(LinesStarting(t, "varnalux_memory_size_kilobytes").size(), 2u);
  EXPECT_EQ(ModelOfVersion("VXP-4 V1.16"), "VXP-4");
  EXPECT_EQ(ModelOfVersion(""), "");
}

TEST(ExporterProbeMetrics, UnreadPartsAreLeftOut) {
  ProbeReport report;
  report.up = true;
  report.statusByte = 0;
  MetricsText text;
  WriteProbeMetrics(report, 0.01, text);
  const std::string& t = text.Text();
  EXPECT_NE(t.find("varnalux_condition{condition=\"ready\"} 1"), std::string::npos);
  for (const char* absent : {"varnalux_printer_info", "varnalux_mileage_meters",
                             "varnalux_config_drift", "varnalux_memory_free_kilobytes"})
    EXPECT_EQ(t.find(absent), std::string::npos) << absent;
}

}  // namespace
}  // namespace varnalux
