#include "app/exporter/target_resolve.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

#include "link/tcp_link.h"

namespace varnalux {

namespace {

struct AddressListFree {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListFree>;

// The address of one entry, and its IPv6 zone index (0 for none).
bool AddressOf(const addrinfo* entry, IpAddress& address, uint32_t& scope) {
  scope = 0;
  if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    address.family = AF_INET;
    memcpy(address.bytes, &v4->sin_addr, 4);
    return true;
  }
  if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= sizeof(sockaddr_in6)) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(entry->ai_addr);
    address.family = AF_INET6;
    memcpy(address.bytes, &v6->sin6_addr, 16);
    scope = v6->sin6_scope_id;
    return true;
  }
  return false;
}

}  // namespace

ResolveOutcome ResolveTarget(const std::string& host, int port, const AllowList& allow,
                             const Deadline& deadline, ResolvedHost& resolved) {
  const std::string service = std::to_string(port);
  AddressList list(ResolveTcpHost(host.c_str(), service.c_str(), deadline));
  if (!list) return ResolveOutcome::NotResolved;
  resolved = ResolvedHost{};
  for (const addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
    IpAddress address;
    uint32_t scope = 0;
    if (!AddressOf(entry, address, scope)) continue;
    if (!allow.Permits(address)) {
      if (resolved.refusedAddress.empty()) resolved.refusedAddress = IpAddressText(address);
      continue;
    }
    resolved.numericHost = IpAddressText(address);
    // Two appends, not "%" + ...: GCC 12 at -O3 warns (-Wrestrict) on that
    // form falsely.
    if (scope != 0) {
      resolved.numericHost += '%';
      resolved.numericHost += std::to_string(scope);
    }
    return ResolveOutcome::Permitted;
  }
  return resolved.refusedAddress.empty() ? ResolveOutcome::NotResolved : ResolveOutcome::Refused;
}

}  // namespace varnalux
