// Where a datagram came from: the interface of this machine it arrived on
// and its sender. The tool talks to a printer again the way it answered.
#pragma once

#include <cstdint>

namespace varnalux::net {

struct AnswerPath {
  unsigned interfaceIndex = 0;  // 0: not known
  uint32_t address = 0;         // sender, IPv4, host order
  uint16_t port = 0;            // sender's port
};

inline bool operator==(const AnswerPath& a, const AnswerPath& b) {
  return a.interfaceIndex == b.interfaceIndex && a.address == b.address && a.port == b.port;
}

}  // namespace varnalux::net
