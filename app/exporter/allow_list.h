// Which printer addresses the exporter may talk to: a list of networks in
// CIDR notation (IPv4 and IPv6). An IPv4 address written as an IPv4-mapped
// IPv6 address (::ffff:10.0.4.21) is judged as the IPv4 address it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnalux {

struct IpAddress {
  int family = 0;          // AF_INET or AF_INET6; 0 when not set
  uint8_t bytes[16] = {};  // IPv4 in the first four
};

// A numeric IPv4 or IPv6 address, the latter bare or in brackets and with an
// optional zone ("fe80::1%eth0"), which is returned in zone (without the %)
// and plays no part in the address. False for anything else.
bool ParseIpAddress(std::string_view text, IpAddress& address, std::string* zone = nullptr);

// The address as text: dotted IPv4, or IPv6 in its shortest form.
std::string IpAddressText(const IpAddress& address);

struct Cidr {
  IpAddress base;  // host bits cleared
  int prefix = 0;  // 0..32 or 0..128
};

// "10.0.0.0/8", "fe80::/10", or one address ("10.0.4.21", "::1": a /32 or
// /128). Host bits below the prefix are cleared. No zone. False with a
// reason in error otherwise.
bool ParseCidr(std::string_view text, Cidr& cidr, std::string& error);

class AllowList {
 public:
  void Add(const Cidr& cidr) { networks_.push_back(cidr); }
  bool Empty() const { return networks_.empty(); }
  bool Permits(const IpAddress& address) const;
  // The loopback networks, 127.0.0.0/8 and ::1/128: the default.
  static AllowList LoopbackOnly();

 private:
  std::vector<Cidr> networks_;
};

}  // namespace varnalux
