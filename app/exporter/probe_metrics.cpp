#include "app/exporter/probe_metrics.h"

#include "protocol/printer_status.h"

namespace varnalux {

namespace {

const char* const DeviceNames[MemoryDeviceCount] = {"dram", "flash", "card"};

void WriteConditions(uint8_t statusByte, MetricsText& out) {
  PrinterStatus s;
  StatusFromByte(statusByte, s);
  struct Condition {
    const char* name;
    bool on;
  };
  const Condition conditions[] = {
      {"ready", StatusReady(s)},          {"head_open", s.headOpen != 0},
      {"paper_jam", s.paperJam != 0},     {"paper_out", s.outOfPaper != 0},
      {"ribbon_out", s.outOfRibbon != 0}, {"pause", s.pause != 0},
      {"printing", s.printing != 0},      {"other_error", s.otherError != 0},
  };
  out.Family("varnalux_condition", "gauge",
             "1 when the printer's status reports the condition, else 0.");
  for (const Condition& c : conditions)
    out.Sample("varnalux_condition", c.on ? 1 : 0, {{"condition", c.name}});
}

void WriteMemory(const ProbeReport& report, MetricsText& out) {
  bool anySize = false, anyFree = false;
  for (const MemorySpace& m : report.memory) {
    anySize = anySize || m.sizeValid;
    anyFree = anyFree || m.freeValid;
  }
  if (anySize) {
    out.Family("varnalux_memory_size_kilobytes", "gauge",
               "Size of the printer's memory device in KB, as the printer reports it.");
    for (int d = 0; d < MemoryDeviceCount; ++d) {
      if (report.memory[d].sizeValid)
        out.Sample("varnalux_memory_size_kilobytes", static_cast<double>(report.memory[d].sizeKb),
                   {{"device", DeviceNames[d]}});
    }
  }
  if (anyFree) {
    out.Family("varnalux_memory_free_kilobytes", "gauge",
               "Free space of the printer's memory device in KB, as the printer reports it.");
    for (int d = 0; d < MemoryDeviceCount; ++d) {
      if (report.memory[d].freeValid)
        out.Sample("varnalux_memory_free_kilobytes", static_cast<double>(report.memory[d].freeKb),
                   {{"device", DeviceNames[d]}});
    }
  }
}

void WriteConfig(const ProbeReport& report, MetricsText& out) {
  out.Family("varnalux_printer_info", "gauge",
             "The printer's model, firmware version and checksum as labels; always 1.");
  const std::string model = ModelOfVersion(report.version);
  out.Sample("varnalux_printer_info", 1,
             {{"model", model}, {"version", report.version}, {"checksum", report.checksum}});
  if (report.mileageValid) {
    out.Family("varnalux_mileage_meters", "gauge", "Distance the printer has printed, in metres.");
    out.Sample("varnalux_mileage_meters", report.mileageMeters);
  }
  if (report.driftKnown) {
    out.Family("varnalux_config_drift", "gauge",
               "1 when the printer's settings differ from the baseline configuration, else 0.");
    out.Sample("varnalux_config_drift", report.drift ? 1 : 0);
  }
}

}  // namespace

std::string ModelOfVersion(const std::string& version) {
  return version.substr(0, version.find(' '));
}

void WriteProbeMetrics(const ProbeReport& report, double seconds, MetricsText& out) {
  out.Family("varnalux_up", "gauge", "1 when the printer answered the status query, else 0.");
  out.Sample("varnalux_up", report.up ? 1 : 0);
  out.Family("varnalux_probe_duration_seconds", "gauge", "How long the probe took, in seconds.");
  out.Sample("varnalux_probe_duration_seconds", seconds);
  if (!report.up) return;
  out.Family("varnalux_status_code", "gauge",
             "The printer's status byte (bit 0 head open ... bit 7 other error).");
  out.Sample("varnalux_status_code", report.statusByte);
  WriteConditions(report.statusByte, out);
  if (report.configRead) WriteConfig(report, out);
  WriteMemory(report, out);
}

}  // namespace varnalux
