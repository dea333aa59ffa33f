#include "app/exporter/exporter_counters.h"

#include "app/exporter/metrics_text.h"

namespace varnalux {

std::string ExporterCounters::Text() const {
  const auto read = [](const auto& counter) {
    return static_cast<double>(counter.load(std::memory_order_relaxed));
  };
  MetricsText out;
  out.Family("varnalux_exporter_probes_total", "counter",
             "Probes run, by result: success when the printer answered its status query.");
  out.Sample("varnalux_exporter_probes_total", read(probesUp_), {{"result", "success"}});
  out.Sample("varnalux_exporter_probes_total", read(probesDown_), {{"result", "failure"}});
  out.Family("varnalux_exporter_probes_in_flight", "gauge", "Probes running now.");
  out.Sample("varnalux_exporter_probes_in_flight", read(inFlight_));
  out.Family("varnalux_exporter_refused_targets_total", "counter",
             "Probe requests refused because the target lies outside the allowed networks "
             "or is a local port that is not allowed.");
  out.Sample("varnalux_exporter_refused_targets_total", read(refused_));
  out.Family("varnalux_exporter_request_errors_total", "counter",
             "Requests answered with an error, by HTTP status code.");
  static const char* const codes[RequestErrorKinds] = {"400", "404", "405", "503"};
  for (int i = 0; i < RequestErrorKinds; ++i)
    out.Sample("varnalux_exporter_request_errors_total", read(errors_[i]), {{"code", codes[i]}});
  out.Family("process_start_time_seconds", "gauge",
             "Start time of the process since the Unix epoch, in seconds.");
  out.Sample("process_start_time_seconds", startSeconds_);
  return out.Text();
}

}  // namespace varnalux
