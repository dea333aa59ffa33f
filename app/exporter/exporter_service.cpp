#include "app/exporter/exporter_service.h"

#include <cmath>

#include "app/exporter/probe.h"
#include "app/exporter/probe_metrics.h"
#include "app/exporter/probe_target.h"
#include "app/exporter/target_resolve.h"
#include "base/numbers.h"

namespace varnalux {

namespace {

using Clock = std::chrono::steady_clock;

const char IndexPage[] =
    "varnalux-exporter\n"
    "  /probe?target=tcp://HOST:PORT   metrics of one printer\n"
    "  /metrics                        the exporter's own metrics\n";

const char* const SerialParams[] = {"baud", "data", "parity", "stop", "hw", "sw"};

// The target text and the serial parameters of the query into target.
bool TargetOfQuery(const HttpQuery& query, ProbeTarget& target, std::string& error) {
  const auto targets = query.params.equal_range("target");
  const auto count = std::distance(targets.first, targets.second);
  if (count != 1) {
    error = count == 0 ? "missing target parameter" : "give the target parameter once";
    return false;
  }
  if (!ParseProbeTarget(targets.first->second, target, error)) return false;
  for (const char* name : SerialParams) {
    const auto values = query.params.equal_range(name);
    if (std::distance(values.first, values.second) > 1) {
      error = std::string("give the ") + name + " parameter once";
      return false;
    }
    if (values.first != values.second && !SetSerialWord(name, values.first->second, target, error))
      return false;
  }
  return true;
}

Clock::time_point Later(Clock::time_point from, Seconds span) {
  return from + std::chrono::duration_cast<Clock::duration>(span);
}

std::chrono::milliseconds Until(Clock::time_point at) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at - Clock::now());
  return left.count() > 0 ? left : std::chrono::milliseconds(0);
}

}  // namespace

bool ProbeBudget(Seconds probeTimeout, const std::string& header, Seconds& budget) {
  budget = probeTimeout;
  if (header.empty()) return true;
  double scrape = 0;
  if (!ParseStrictDecimal(header.c_str(), scrape) || !std::isfinite(scrape) || scrape <= 0)
    return false;
  Seconds cut = Seconds(scrape) - ScrapeTimeoutMargin;
  if (cut < ProbeBudgetMin) cut = ProbeBudgetMin;
  if (cut < budget) budget = cut;
  return true;
}

ExporterService::ExporterService(const ExporterOptions& options, const PrinterConfig* baseline,
                                 ExporterCounters& counters, ProbeGate& gate)
    : options_(options), baseline_(baseline), counters_(counters), gate_(gate) {}

HttpAnswer ExporterService::Failure(int status, RequestError kind, const std::string& reason) {
  counters_.Error(kind);
  return HttpAnswer{status, "text/plain; charset=utf-8", reason + "\n"};
}

HttpAnswer ExporterService::Refusal(const std::string& reason) {
  counters_.TargetRefused();
  return HttpAnswer{403, "text/plain; charset=utf-8", reason + "\n"};
}

HttpAnswer ExporterService::Answer(const HttpQuery& query) {
  if (query.method != "GET")
    return Failure(405, RequestError::MethodNotAllowed, "only GET is served");
  if (query.path == "/probe") return Probe(query);
  if (query.path == "/metrics") return HttpAnswer{200, ExpositionContentType, counters_.Text()};
  if (query.path == "/") return HttpAnswer{200, "text/plain; charset=utf-8", IndexPage};
  return Failure(404, RequestError::NotFound, "not found: use /probe or /metrics");
}

HttpAnswer ExporterService::Probe(const HttpQuery& query) {
  const Clock::time_point start = query.arrival;
  ProbeTarget target;
  std::string error;
  if (!TargetOfQuery(query, target, error)) return Failure(400, RequestError::BadRequest, error);
  Seconds budget;
  if (!ProbeBudget(options_.probeTimeout, query.scrapeTimeout, budget))
    return Failure(400, RequestError::BadRequest, "bad X-Prometheus-Scrape-Timeout-Seconds");
  if (IsLocalPort(target) && !options_.allowLocalPorts)
    return Refusal("local port targets are not allowed: start with --allow-local-ports");
  const Clock::time_point end = Later(start, budget);

  ProbeLink link;
  link.kind = target.kind;
  InitialParallelName(link.records.parallelName);
  InitialTcpTarget(link.records.tcp);
  link.records.serial = target.serial;
  if (target.kind == KindEthernet) {
    ResolvedHost resolved;
    const ResolveOutcome outcome =
        ResolveTarget(target.host, target.port, options_.allow, Deadline(Until(end)), resolved);
    if (outcome == ResolveOutcome::Refused)
      return Refusal("target " + resolved.refusedAddress +
                     " is outside the allowed networks (--allow)");
    if (outcome == ResolveOutcome::Permitted) {
      CopyText(link.records.tcp.host, sizeof link.records.tcp.host, resolved.numericHost.c_str());
      link.records.tcp.port = target.port;
    }
  }

  // The wait counts from the connection's acceptance: time spent queued for a
  // worker is part of it.
  const Clock::time_point waitEnd = std::min(end, Later(start, options_.queueWait));
  GateSlot slot(gate_, waitEnd);
  if (!slot.Held())
    return Failure(503, RequestError::Overloaded, "too many probes at once: try again later");

  ProbeReport report;
  // An unresolved name leaves the host empty: no link opens, and the printer
  // counts as down.
  if (target.kind != KindEthernet || link.records.tcp.host[0] != '\0') {
    counters_.ProbeStarted();
    if (IsLocalPort(target)) {
      // Waiting for the port is part of the probe's budget.
      std::unique_lock<std::timed_mutex> lock(localPorts_, end);
      if (lock.owns_lock()) report = RunProbe(link, baseline_, Deadline(Until(end)));
    } else {
      report = RunProbe(link, baseline_, Deadline(Until(end)));
    }
    counters_.ProbeEnded();
  }
  counters_.ProbeDone(report.up);
  MetricsText text;
  WriteProbeMetrics(report, std::chrono::duration<double>(Clock::now() - start).count(), text);
  return HttpAnswer{200, ExpositionContentType, text.Text()};
}

}  // namespace varnalux
