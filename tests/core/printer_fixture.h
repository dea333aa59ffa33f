// A virtual printer on 127.0.0.1 with the module's link settings bound to
// it, for the tests that run operations against a printer over TCP.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/printer_wait.h"

namespace varnalux::testing {

// Points a TCP target at a started printer.
inline void TargetPrinter(const sim::VirtualPrinter& printer, TcpTarget& t) {
  CopyText(t.host, sizeof t.host, "127.0.0.1");
  t.port = printer.TcpPort();
}

struct PrinterOnTcp {
  sim::VirtualPrinter printer;
  BoundLink link;
  PrinterOnTcp() {
    EXPECT_TRUE(printer.StartTcp("127.0.0.1", 0));
    TargetPrinter(printer, link.tcp);
  }
  // What the printer has received once it holds at least n bytes and no
  // more arrive, so a stray byte after the expected ones shows in the result.
  std::vector<uint8_t> Received(size_t n) { return SettledBytes(printer, n); }
  std::string ReceivedText(size_t n) { return SettledText(printer, n); }
  // Nothing may arrive: give a stray write time to show up.
  bool StaysSilent() { return PrinterStaysSilent(printer); }
};

}  // namespace varnalux::testing
