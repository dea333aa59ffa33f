// A loopback printer that follows one script, with the link settings bound
// to the test's own records and the TCP target aimed at it: the set-up of a
// test of a TCP send. A write bound above zero shortens the links' bound.
#pragma once

#include <chrono>

#include "tests/core/loopback_peer.h"

namespace varnalux::testing {

class ScriptedTcpPrinter : public LoopbackPeer {
 public:
  explicit ScriptedTcpPrinter(const Script& script,
                              std::chrono::milliseconds write = std::chrono::milliseconds(0)) {
    SetScripts({script});
    if (write.count() > 0) link.Timeouts().tcp.write = write;
    Target(link.tcp);
  }

  BoundLink link;
};

}  // namespace varnalux::testing
