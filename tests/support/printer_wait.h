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
inline constexpr std::chrono::milliseconds kPrinterArriveBound{3000};
// A printer that took no byte for this long has taken all that was sent:
// a stray byte after the expected ones lands well within it.
inline constexpr std::chrono::milliseconds kPrinterQuiet{50};
// How long a printer may keep taking bytes before the wait gives up.
inline constexpr std::chrono::milliseconds kPrinterSettleBound{3000};
// Room for a write that must not happen to show up.
inline constexpr std::chrono::milliseconds kPrinterSilence{150};

// Waits until no byte has reached the printer for kPrinterQuiet (bounded by
// kPrinterSettleBound); false when bytes kept coming.
inline bool SettlePrinter(const sim::VirtualPrinter& printer) {
  return printer.WaitForIdle(static_cast<int>(kPrinterQuiet.count()),
                             static_cast<int>(kPrinterSettleBound.count()));
}

// Everything the printer has received once it holds at least n bytes and no
// more arrive. The caller compares the result, so a shortfall shows there.
inline std::vector<uint8_t> SettledBytes(const sim::VirtualPrinter& printer, size_t n) {
  printer.WaitForReceived(n, static_cast<int>(kPrinterArriveBound.count()));
  SettlePrinter(printer);
  return printer.Received();
}
inline std::string SettledText(const sim::VirtualPrinter& printer, size_t n) {
  printer.WaitForReceived(n, static_cast<int>(kPrinterArriveBound.count()));
  SettlePrinter(printer);
  return printer.ReceivedText();
}

// True when the printer holds no byte and none arrives within
// kPrinterSilence; returns at the first byte.
inline bool PrinterStaysSilent(const sim::VirtualPrinter& printer) {
  return !printer.WaitForReceived(1, static_cast<int>(kPrinterSilence.count()));
}

}  // namespace varnalux::testing
