// A virtual printer on 127.0.0.1 with the module's link settings bound to
// it, for the tests that run operations against a printer over TCP.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "link/link_settings.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"

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
  // What the printer has received once it holds at least n bytes. A TCP
  // operation returns only after the printer has taken every byte it wrote
  // and closed its side, so nothing of it can still be under way.
  std::vector<uint8_t> Received(size_t n) {
    printer.WaitForReceived(n, 3000);
    return printer.Received();
  }
  std::string ReceivedText(size_t n) {
    printer.WaitForReceived(n, 3000);
    return printer.ReceivedText();
  }
  // Nothing may arrive: give a stray write time to show up.
  bool StaysSilent() {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return printer.Received().empty();
  }
};

}  // namespace varnalux::testing
