// Binds the module-wide link settings to a test's own records for the life
// of the object and unbinds them when it goes, on every way out of the test.
#pragma once

#include "link/link_settings.h"

namespace varnalux::testing {

class ScopedLinkBinding {
 public:
  ScopedLinkBinding(SerialSettings& serial, char (&parallel)[ParallelNameSize], TcpTarget& tcp,
                    LinkProgress* observer = nullptr) {
    BindLinkSettings(serial, parallel, tcp, observer);
  }
  ~ScopedLinkBinding() { UnbindLinkSettings(); }
  ScopedLinkBinding(const ScopedLinkBinding&) = delete;
  ScopedLinkBinding& operator=(const ScopedLinkBinding&) = delete;
};

}  // namespace varnalux::testing
