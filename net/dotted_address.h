// Address and MAC texts as the discovery list shows and the user types them.
#pragma once

#include <string>

#include "net/udp_protocol.h"

namespace varnalux::net {

// "192.168.1.100": each octet in decimal without leading zeros.
std::string FormatDottedAddress(const Address& address);
// Four decimal numbers of 0 to 255 separated by dots; the first character
// after the fourth number ends the text when it is not a dot. Any other
// text gives FF FF FF FF.
Address ParseDottedAddress(const std::string& text);
// "00:1B:82:0A:50:01": upper-case pairs joined by colons.
std::string FormatMacText(const Mac& mac);
// Six pairs of hexadecimal digits (either case) separated by colons; false
// for anything else.
bool ParseMacText(const std::string& text, Mac& mac);

}  // namespace varnalux::net
