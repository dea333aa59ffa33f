// The link facade's calls on one kind's driver row, as the link tests make
// them: the row is looked up once; a write is a whole buffer on its own,
// and writes, reads and closes are followed by the observer the run's link
// settings hold (null when the test bound none).
#pragma once

#include <cstdint>

#include "link/link_settings.h"
#include "link/printer_link.h"

namespace varnalux::testing {

class KindLink {
 public:
  explicit KindLink(InterfaceKind kind) : kind_(kind), driver_(DriverFor(kind)) {}

  LinkHandle Open() const { return OpenLinkOn(driver_, kind_); }
  bool Write(LinkHandle handle, const void* buffer, uint32_t length) const {
    return WriteLinkOn(driver_, handle, buffer, length, WritePlace{0, length, false},
                       CurrentLinkSettings().observer);
  }
  bool ReadByte(LinkHandle handle, uint8_t& out) const {
    return ReadLinkByteOn(driver_, handle, out, CurrentLinkSettings().observer);
  }
  bool Close(LinkHandle handle, CloseMode mode = CloseMode::Drain) const {
    return CloseLinkOn(driver_, handle, mode, CurrentLinkSettings().observer);
  }

 private:
  InterfaceKind kind_;
  const LinkDriver* driver_;
};

}  // namespace varnalux::testing
