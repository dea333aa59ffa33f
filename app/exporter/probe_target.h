// The printer a probe asks, as the target parameter names it:
//   tcp://HOST[:PORT]   tcp:HOST[:PORT]   HOST[:PORT]   (port 9100 when omitted;
//                       HOST a name, an IPv4 address or a bracketed IPv6
//                       address with an optional zone: [fe80::1%eth0]:9100)
//   com:PORT            COM1..COM30 or a device path, with serial words
//                       after it or as parameters: baud= data= parity= stop=
//                       hw= sw= (the values of varnalux-cli's options)
//   usb                 the first printer on USB
// The parallel port cannot answer a status query, so lpt: targets are
// refused with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/codes.h"
#include "link/link_settings.h"

namespace varnalux {

struct ProbeTarget {
  InterfaceKind kind = KindEthernet;
  std::string host;  // TCP: name or address, without brackets, zone kept
  int32_t port = 9100;
  SerialSettings serial{};  // COM: the port name and its settings
};

// Parses text into target. False with a one-line reason in error when the
// text is not one of the forms above.
bool ParseProbeTarget(std::string_view text, ProbeTarget& target, std::string& error);

// Sets one serial word (name without "=": baud, data, parity, stop, hw, sw)
// of a COM target. False with a reason for an unknown name or value, or for
// a target that is not on a COM port.
bool SetSerialWord(std::string_view name, std::string_view value, ProbeTarget& target,
                   std::string& error);

// Whether the target is a port of this computer (COM or USB).
inline bool IsLocalPort(const ProbeTarget& target) { return target.kind != KindEthernet; }

}  // namespace varnalux
