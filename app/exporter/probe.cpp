#include "app/exporter/probe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/numbers.h"
#include "link/link_session.h"
#include "protocol/config_reader.h"
#include "protocol/config_text.h"
#include "protocol/report_exchange.h"

namespace varnalux {

namespace {

// The link's waits cut to what is left of the probe (none once it has
// passed); false when nothing is left.
bool FitWaits(const Deadline& deadline) {
  const milliseconds left = deadline.Left();
  LinkTimeouts& t = CurrentLinkSettings().timeouts;
  const LinkTimeouts defaults;
  t.tcp.connect = std::min(defaults.tcp.connect, left);
  t.tcp.write = std::min(defaults.tcp.write, left);
  t.tcp.writeRetries = 1;
  t.tcp.dataWait = std::min(defaults.tcp.dataWait, left);
  t.tcp.closeLinger = std::min(defaults.tcp.closeLinger, left);
  t.usb.read = std::min(defaults.usb.read, left);
  t.usb.writeBase = std::min(defaults.usb.writeBase, left);
  t.serial.writeBase = std::min(defaults.serial.writeBase, left);
  const auto attempts = left / defaults.serial.readPause;
  t.serial.readAttempts =
      static_cast<int>(std::clamp<int64_t>(attempts, 1, defaults.serial.readAttempts));
  return left.count() > 0;
}

// Follows the probe's link: before every write, and at every look of a
// wait for the printer, the waits are cut again to what is left, so a
// printer that answers slowly, piece by piece, cannot stretch a probe
// (of some forty reports) far past its deadline.
class DeadlineFit : public LinkProgress {
 public:
  explicit DeadlineFit(const Deadline& deadline) : deadline_(deadline) {}
  void Show(int, int, int) override {}
  void Hide(bool) override {}
  void Tick(int, uint32_t) override { FitWaits(deadline_); }
  void PumpMessages() override { FitWaits(deadline_); }

 private:
  const Deadline& deadline_;
};

// The record of a probe's link bound to this thread for the probe's length,
// followed by the deadline.
class BoundLink {
 public:
  BoundLink(LinkRecords& records, const Deadline& deadline) : fit_(deadline) {
    BindLinkSettings(records.serial, records.parallelName, records.tcp, &fit_);
  }
  ~BoundLink() { UnbindLinkSettings(); }
  BoundLink(const BoundLink&) = delete;
  BoundLink& operator=(const BoundLink&) = delete;

 private:
  DeadlineFit fit_;
};

void ProbeConfig(InterfaceKind kind, const PrinterConfig* baseline, ProbeReport& report) {
  PrinterConfig config;
  ResetConfig(config);
  if (ReadConfig(kind, config) != ResultOk) return;
  report.configRead = true;
  report.version.assign(config.version, strnlen(config.version, sizeof config.version));
  report.checksum.assign(config.checksum, strnlen(config.checksum, sizeof config.checksum));
  char mileage[sizeof config.milage + 1] = {};
  memcpy(mileage, config.milage, sizeof config.milage);
  report.mileageValid = MileageMeters(mileage, report.mileageMeters);
  if (baseline != nullptr) {
    int differences = 0;
    DiffConfigs(*baseline, config, differences);
    report.driftKnown = true;
    report.drift = differences != 0;
  }
}

// The space reports of the three devices on one link, the card last: a
// printer without a card leaves its reports unanswered, and the first report
// that goes unanswered ends the step.
void ProbeMemory(InterfaceKind kind, ProbeReport& report) {
  static const char* const queries[MemoryDeviceCount][2] = {
      {"DIAGNOSTIC REPORT DPHYSPACE\r\n", "DIAGNOSTIC REPORT DFREESPACE\r\n"},
      {"DIAGNOSTIC REPORT FPHYSPACE\r\n", "DIAGNOSTIC REPORT FFREESPACE\r\n"},
      {"DIAGNOSTIC REPORT CPHYSPACE\r\n", "DIAGNOSTIC REPORT CFREESPACE\r\n"},
  };
  const char* announcement = InterfaceAnnouncement(kind);
  if (announcement == nullptr) return;
  LinkSession link(kind);
  if (!link.IsOpen()) return;
  char payload[ReportBodyMax + 1];
  uint32_t length = 0;
  ResultCode code = QueryReport(link, announcement, payload, sizeof payload, length);
  for (int device = 0; device < MemoryDeviceCount && code == ResultOk; ++device) {
    MemorySpace& space = report.memory[device];
    code = QueryReport(link, queries[device][0], payload, sizeof payload, length);
    if (code != ResultOk) break;
    space.sizeValid = SpaceKilobytes(payload, space.sizeKb);
    code = QueryReport(link, queries[device][1], payload, sizeof payload, length);
    if (code != ResultOk) break;
    space.freeValid = SpaceKilobytes(payload, space.freeKb);
  }
  link.Finish(code);
}

}  // namespace

bool MileageMeters(const char* text, double& meters) {
  double kilometres = 0;
  if (!ParseStrictDecimal(text, kilometres) || !std::isfinite(kilometres) || kilometres < 0)
    return false;
  meters = kilometres * 1000.0;
  return std::isfinite(meters);
}

bool SpaceKilobytes(const char* payload, int64_t& kilobytes) {
  int32_t value = 0;
  if (!ParseStrictInteger(payload, value) || value < 0) return false;
  kilobytes = value;
  return true;
}

ProbeReport RunProbe(ProbeLink& link, const PrinterConfig* baseline, const Deadline& deadline) {
  ProbeReport report;
  BoundLink bound(link.records, deadline);
  if (!FitWaits(deadline)) return report;
  PrinterStatus status;
  if (QueryStatus(link.kind, status) != ResultOk) return report;
  report.up = true;
  report.statusByte = StatusToByte(status);
  if (FitWaits(deadline)) ProbeConfig(link.kind, baseline, report);
  if (FitWaits(deadline)) ProbeMemory(link.kind, report);
  return report;
}

}  // namespace varnalux
