// A probe's report as the metrics of the /probe answer.
//
//   varnalux_up                          1 when the printer answered the status query
//   varnalux_probe_duration_seconds      the probe's length
//   varnalux_status_code                 the status byte
//   varnalux_condition{condition=...}    0/1: ready, head_open, paper_jam, paper_out,
//                                        ribbon_out, pause, printing, other_error
//   varnalux_mileage_meters              the mileage report, in metres
//   varnalux_memory_size_kilobytes{device=dram|flash|card}
//   varnalux_memory_free_kilobytes{device=dram|flash|card}
//   varnalux_printer_info{model,version,checksum}   1
//   varnalux_config_drift                1 when the settings differ from the baseline
//
// Only varnalux_up and the duration are given for a printer that did not
// answer; the others only as far as the printer answered them.
#pragma once

#include <string>

#include "app/exporter/metrics_text.h"
#include "app/exporter/probe.h"

namespace varnalux {

// The first word of the version report, which names the model.
std::string ModelOfVersion(const std::string& version);

void WriteProbeMetrics(const ProbeReport& report, double seconds, MetricsText& out);

}  // namespace varnalux
