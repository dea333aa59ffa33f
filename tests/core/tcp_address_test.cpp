// Printer addresses as typed: names, IPv4, IPv6 with and without brackets.
#include "link/tcp_address.h"

#include <gtest/gtest.h>

namespace varnalux {
namespace {

struct Parsed {
  bool ok;
  std::string host;
  int32_t port;
};

Parsed Parse(const std::string& text) {
  Parsed p{false, "unchanged", 9100};
  p.ok = ParseTcpAddress(text, p.host, p.port);
  return p;
}

TEST(TcpAddress, HostsWithAndWithoutPorts) {
  struct Case {
    const char* text;
    const char* host;
    int32_t port;
  } cases[] = {
      {"192.168.1.100", "192.168.1.100", 9100},
      {"192.168.1.100:6101", "192.168.1.100", 6101},
      {"printer.local", "printer.local", 9100},
      {"printer.local:1", "printer.local", 1},
      {"::1", "::1", 9100},
      {"[::1]", "::1", 9100},
      {"[::1]:9101", "::1", 9101},
      {"[fe80::1%eth0]", "fe80::1%eth0", 9100},
      {"[fe80::1%eth0]:65535", "fe80::1%eth0", 65535},
      {"fe80::1%eth0", "fe80::1%eth0", 9100},
      {"2001:db8::17", "2001:db8::17", 9100},
  };
  for (const Case& c : cases) {
    Parsed p = Parse(c.text);
    EXPECT_TRUE(p.ok) << c.text;
    EXPECT_EQ(p.host, c.host) << c.text;
    EXPECT_EQ(p.port, c.port) << c.text;
  }
}

TEST(TcpAddress, MalformedAddressesLeaveTheTargetAlone) {
  for (const char* text :
       {"", ":9100", "host:", "host:0", "host:65536", "host:12x", "host:-1", "[::1",
        "[::1]9100", "[::1]:", "[::1]:0", "[]", "[]:9100", "[printer]:9100", "a b",
        "[::1]:9100:1", "host:123456"}) {
    Parsed p = Parse(text);
    EXPECT_FALSE(p.ok) << text;
    EXPECT_EQ(p.host, "unchanged") << text;
    EXPECT_EQ(p.port, 9100) << text;
  }
}

}  // namespace
}  // namespace varnalux
