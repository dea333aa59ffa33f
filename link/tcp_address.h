// A printer address as a user types it: "host", "host:port", an IPv6
// address bare ("::1", "fe80::1%eth0") or in brackets ("[::1]",
// "[::1]:9100", "[fe80::1%eth0]").
#pragma once

#include <cstdint>
#include <string>

namespace varnalux {

// Splits text into host and port. The port is left as it was when the text
// names none. False (outputs unchanged) when the text is empty, the brackets
// do not close, the port is not a number from 1 to 65535, or a bracketed
// host is not an IPv6 address.
bool ParseTcpAddress(const std::string& text, std::string& host, int32_t& port);

}  // namespace varnalux
