// What a virtual printer has received, once it has settled: the one way the
// core, command-line and widget tests wait for bytes at the printer. Every
// wait is bounded and ends as soon as its condition holds; none sleeps for a
// fixed time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/virtual_printer.h"

namespace varnalux::testing {

// How long the expected bytes may take to arrive.
inline constexpr std::chrono::milliseconds PrinterArriveBound{3000};
// A printer that took no byte for this long has taken all that was sent:
// a stray byte after the expected ones lands well within it.
inline constexpr std::chrono::milliseconds PrinterQuiet{50};
// How long a printer may keep taking bytes before the wait gives up.
inline constexpr std::chrono::milliseconds PrinterSettleBound{3000};
// Room for a write that must not happen to show up.
inline constexpr std::chrono::milliseconds PrinterSilence{150};

// Waits until no byte has reached the printer for PrinterQuiet (bounded by
// PrinterSettleBound); false when bytes kept coming.
inline bool SettlePrinter(const sim::VirtualPrinter& printer) {
  return printer.WaitForIdle(static_cast<int>(PrinterQuiet.count()),
                             static_cast<int>(PrinterSettleBound.count()));
}

// Everything the printer has received once it holds at least n bytes and no
// more arrive. The caller compares the result, so a shortfall shows there.
inline std::vector<uint8_t> SettledBytes(const sim::VirtualPrinter& printer, size_t n) {
  printer.WaitForReceived(n, static_cast<int>(PrinterArriveBound.count()));
  SettlePrinter(printer);
  return printer.Received();
}
inline std::string SettledText(const sim::VirtualPrinter& printer, size_t n) {
  printer.WaitForReceived(n, static_cast<int>(PrinterArriveBound.count()));
  SettlePrinter(printer);
  return printer.ReceivedText();
}

// True when the printer holds no byte and none arrives within
// PrinterSilence; returns at the first byte.
inline bool PrinterStaysSilent(const sim::VirtualPrinter& printer) {
  return !printer.WaitForReceived(1, static_cast<int>(PrinterSilence.count()));
}

}  // namespace varnalux::testing
