// varnalux-exporter: label printers for Prometheus, in the multi-target way
// of the blackbox exporter: Prometheus asks /probe?target=... for each
// printer, and the exporter asks that printer there and then.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "app/exporter/exporter_options.h"
#include "app/exporter/exporter_service.h"
#include "app/exporter/http_server.h"
#include "protocol/config_file.h"
#include "varnalux_version.h"

using namespace varnalux;

namespace {

constexpr int ExitUsage = 64;

// Every connection and every printer link takes a descriptor: the soft limit
// goes up to the hard one.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

double NowSinceEpoch() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  ExporterOptions options;
  std::string error;
  switch (ParseExporterOptions(args, options, error)) {
    case OptionsOutcome::Help: fputs(ExporterUsage, stdout); return 0;
    case OptionsOutcome::Version: printf("varnalux-exporter %s\n", VARNALUX_VERSION); return 0;
    case OptionsOutcome::Bad:
      fprintf(stderr, "varnalux-exporter: %s\n", error.c_str());
      fputs(ExporterUsage, stderr);
      return ExitUsage;
    case OptionsOutcome::Run: break;
  }
  std::unique_ptr<PrinterConfig> baseline;
  if (!options.baselinePath.empty()) {
    baseline = std::make_unique<PrinterConfig>();
    int32_t unit = 0;
    PrinterStatus status;
    const int loaded = LoadConfigFile(options.baselinePath, *baseline, unit, status);
    if (loaded != ConfigFileOk) {
      fprintf(stderr, "varnalux-exporter: %s: %s\n", options.baselinePath.c_str(),
              loaded == ConfigFileOpenFailed ? "cannot open" : "not a configuration file");
      return ExitUsage;
    }
  }
  RaiseDescriptorLimit();
  ExporterCounters counters(NowSinceEpoch());
  ProbeGate gate(options.concurrency);
  ExporterService service(options, baseline.get(), counters, gate);
  try {
    return ServeHttp(options, service);
  } catch (...) {
    fprintf(stderr, "varnalux-exporter: stopped by an unexpected failure\n");
    return 1;
  }
}
