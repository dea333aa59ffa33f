// One probe of one printer: its status byte, then (when it answered) its
// configuration and its memory devices' space, each step on a link of its
// own, all on the calling thread with link settings bound to that thread
// for the length of the probe. Every wait is held within the deadline; a
// step that finds the deadline passed is not begun.
#pragma once

#include <cstdint>
#include <string>

#include "base/codes.h"
#include "base/deadline.h"
#include "link/link_settings.h"
#include "protocol/file_manager.h"
#include "protocol/printer_config.h"

namespace varnalux {

// The link a probe talks through, with its records.
struct ProbeLink {
  InterfaceKind kind = KindEthernet;
  LinkRecords records;
};

struct MemorySpace {
  bool sizeValid = false;
  int64_t sizeKb = 0;
  bool freeValid = false;
  int64_t freeKb = 0;
};

struct ProbeReport {
  bool up = false;  // the printer answered the status query
  uint8_t statusByte = 0;
  bool configRead = false;
  std::string version;
  std::string checksum;
  bool mileageValid = false;
  double mileageMeters = 0;
  bool driftKnown = false;  // a baseline was given and the configuration read
  bool drift = false;
  MemorySpace memory[MemoryDeviceCount];
};

// baseline: the configuration the printer's is compared with; null for none.
ProbeReport RunProbe(ProbeLink& link, const PrinterConfig* baseline, const Deadline& deadline);

// The mileage report's text (kilometres, as the printer reports it) in
// metres; false when it is not a plain non-negative number.
bool MileageMeters(const char* text, double& meters);

// A space report's payload (a whole number of KB, blanks around it allowed);
// false for anything else.
bool SpaceKilobytes(const char* payload, int64_t& kilobytes);

}  // namespace varnalux
