// The printer's network settings through the link: operations 16 (address
// mode and addresses), 17 (name) and 18 (read everything).
#pragma once

#include <string>

#include "base/codes.h"
#include "protocol/network_settings.h"

namespace varnalux {

// A record holding a text that cannot go between the command's quotes is
// refused before the link is opened.
inline constexpr ResultCode ResultUnsendableNetText = ResultUnknownError;

// "NET DHCP\r\n" when dhcp is 1, else
// "NET IP \"ip\",\"mask\",\"gateway\"\r\n". Empty when a text it would send
// is not sendable (NetTextSendable).
std::string NetAddressCommand(const NetworkSettings& settings);
// "NET NAME \"name\"\r\n"; empty when the name is not sendable.
std::string NetNameCommand(const NetworkSettings& settings);

// Each writes its command in one write and reads nothing back: 0, 1 (the
// link did not open), 2 (the bytes did not leave) or 5 (a text that cannot
// be sent; nothing is opened).
ResultCode SetNetAddress(InterfaceKind kind, const NetworkSettings& settings);
ResultCode SetNetName(InterfaceKind kind, const NetworkSettings& settings);

// Reads the address mode, the four addresses, the name and the MAC on one
// link. A failed address query ends the read with its code; a printer that
// does not answer the name query leaves name and MAC empty, and one that
// does not answer the MAC query leaves the MAC empty, both with 0. On the
// parallel link, which cannot read, it fails with 3 without opening.
// action and confirmed are left as they were.
ResultCode ReadNetConfig(InterfaceKind kind, NetworkSettings& settings);

}  // namespace varnalux
