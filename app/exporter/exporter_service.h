// What the exporter answers, apart from HTTP itself: GET /probe, GET
// /metrics and GET /, each request taken as a plain record and answered
// with a status, a content type and a body.
//
//   /probe?target=T   200 with the printer's metrics (varnalux_up 0 for a
//                     printer that does not answer); 400 for a malformed
//                     query, 403 for a target that is not allowed, 503 when
//                     no probe slot came free within the queue wait
//   /metrics          the exporter's own counters
//   /                 a short page naming the two
//   anything else     404; a method other than GET 405
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "app/exporter/exporter_counters.h"
#include "app/exporter/exporter_options.h"
#include "app/exporter/probe_gate.h"
#include "protocol/printer_config.h"

namespace varnalux {

struct HttpQuery {
  std::string method;
  std::string path;
  std::multimap<std::string, std::string> params;  // decoded
  std::string scrapeTimeout;  // X-Prometheus-Scrape-Timeout-Seconds; empty when absent
  std::chrono::steady_clock::time_point arrival;  // when the connection was taken
};

struct HttpAnswer {
  int status = 200;
  std::string contentType = "text/plain; charset=utf-8";
  std::string body;
};

// Taken off Prometheus's scrape time-out, so the answer leaves in time.
inline constexpr Seconds ScrapeTimeoutMargin{0.5};
// The least budget a probe is given, whatever the header says.
inline constexpr Seconds ProbeBudgetMin{0.1};

// The probe's budget: the --probe-timeout, cut to the scrape time-out
// header less the margin when one came (at least ProbeBudgetMin). False for a
// header that is not a positive number of seconds.
bool ProbeBudget(Seconds probeTimeout, const std::string& header, Seconds& budget);

class ExporterService {
 public:
  // baseline: null for none. Every reference must outlive the service.
  ExporterService(const ExporterOptions& options, const PrinterConfig* baseline,
                  ExporterCounters& counters, ProbeGate& gate);

  HttpAnswer Answer(const HttpQuery& query);

 private:
  HttpAnswer Probe(const HttpQuery& query);
  HttpAnswer Failure(int status, RequestError kind, const std::string& reason);
  HttpAnswer Refusal(const std::string& reason);

  const ExporterOptions& options_;
  const PrinterConfig* baseline_;
  ExporterCounters& counters_;
  ProbeGate& gate_;
  // USB and the serial ports are probed one at a time: one USB printer is
  // open at a time in a process, and a port takes one conversation at once.
  std::timed_mutex localPorts_;
};

}  // namespace varnalux
