// A TCP target's host made an address once: the address the allow list
// judges is the one the probe connects to, written numerically into the
// link's record so that the link looks nothing up again.
#pragma once

#include <string>

#include "app/exporter/allow_list.h"
#include "base/deadline.h"

namespace varnalux {

enum class ResolveOutcome {
  Permitted,    // numericHost holds the address to connect to
  Refused,      // every address of the host lies outside the allow list
  NotResolved,  // the name did not resolve within the deadline
};

struct ResolvedHost {
  std::string numericHost;     // "10.0.4.21", "::1", "fe80::1%2" (zone as an index)
  std::string refusedAddress;  // the first address refused, for the message
};

// Resolves host (a name or a numeric address) within the deadline and takes
// the first of its addresses that the allow list permits.
ResolveOutcome ResolveTarget(const std::string& host, int port, const AllowList& allow,
                             const Deadline& deadline, ResolvedHost& resolved);

}  // namespace varnalux
