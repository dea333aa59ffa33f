#include "net/udp_options.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>

namespace varnalux::net {

namespace {

constexpr size_t DestinationsMax = 16;
constexpr uint32_t AnyAddress = 0x00000000u;         // 0.0.0.0
constexpr uint32_t Broadcast = 0xFFFFFFFFu;          // 255.255.255.255
constexpr uint32_t LoopbackBroadcast = 0x7FFFFFFFu;  // 127.255.255.255

enum class Entry { Good, Malformed, NotOneHost };

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  const size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

// A decimal number of at most maxDigits digits and at most max; nothing else.
bool ParseNumber(const std::string& text, unsigned max, size_t maxDigits, unsigned& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  unsigned v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v > max) return false;
  value = v;
  return true;
}

Entry ParseEntry(const std::string& entry, const std::vector<uint32_t>& broadcasts,
                 Destination& out) {
  const size_t colon = entry.rfind(':');
  if (colon == std::string::npos) return Entry::Malformed;
  unsigned port = 0;
  if (!ParseNumber(entry.substr(colon + 1), 65535, 5, port) || port == 0) return Entry::Malformed;
  const std::string host = entry.substr(0, colon);
  uint32_t address = 0;
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t dot = part < 3 ? host.find('.', at) : host.size();
    if (dot == std::string::npos) return Entry::Malformed;
    unsigned octet = 0;
    if (!ParseNumber(host.substr(at, dot - at), 255, 3, octet)) return Entry::Malformed;
    address = (address << 8) | octet;
    at = dot + 1;
  }
  // The override stands in for the broadcast and the multicast group, so it
  // is never one of them, nor any other address that reaches more than one
  // host (or none: 0.0.0.0 would quietly become this machine).
  if (address == AnyAddress || address == Broadcast || address == LoopbackBroadcast ||
      (address >> 28) == 0xE ||
      std::find(broadcasts.begin(), broadcasts.end(), address) != broadcasts.end())
    return Entry::NotOneHost;
  out.address = address;
  out.port = static_cast<uint16_t>(port);
  return Entry::Good;
}

}  // namespace

bool ParseDestinations(const std::string& text, std::vector<Destination>& out, std::string& error,
                       const std::vector<uint32_t>& broadcasts) {
  std::vector<Destination> parsed;
  size_t at = 0;
  for (;;) {
    const size_t comma = text.find(',', at);
    const std::string entry =
        Trimmed(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    Destination d;
    const Entry kind = ParseEntry(entry, broadcasts, d);
    if (kind == Entry::Malformed) {
      error = "not an IPv4 address and port: '" + entry.substr(0, 64) + "'";
      return false;
    }
    if (kind == Entry::NotOneHost) {
      // Appended: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal + std::string.
      error.assign(1, '\'');
      error += entry.substr(0, 64);
      error += "' is not one printer's address (broadcast, multicast and 0.0.0.0 are refused)";
      return false;
    }
    if (parsed.size() == DestinationsMax) {
      error = "more than 16 destinations";
      return false;
    }
    parsed.push_back(d);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  out = std::move(parsed);
  return true;
}

std::vector<uint32_t> InterfaceBroadcasts() {
  std::vector<uint32_t> result;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return result;
  auto add = [&result](uint32_t address) {
    if (std::find(result.begin(), result.end(), address) == result.end()) result.push_back(address);
  };
  for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    const uint32_t address =
        ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
    if ((it->ifa_flags & IFF_BROADCAST) != 0 && it->ifa_broadaddr != nullptr &&
        it->ifa_broadaddr->sa_family == AF_INET) {
      const uint32_t broadcast =
          ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_broadaddr)->sin_addr.s_addr);
      if (broadcast != 0) add(broadcast);
    }
    // The top address of the subnet is its broadcast whether or not the
    // interface was given one (a /31 or /32 has none).
    if (it->ifa_netmask != nullptr && it->ifa_netmask->sa_family == AF_INET) {
      const uint32_t mask =
          ntohl(reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
      if ((~mask) > 1u) add(address | ~mask);
    }
  }
  freeifaddrs(list);
  return result;
}

UdpOptions UdpOptionsFromEnvironment() {
  UdpOptions options;
  const char* value = std::getenv(DiscoveryOverrideVariable);
  if (value == nullptr) return options;
  options.overridden = true;
  std::string error;
  if (!ParseDestinations(value, options.destinations, error, InterfaceBroadcasts()))
    options.overrideError = std::string(DiscoveryOverrideVariable) + ": " + error;
  return options;
}

}  // namespace varnalux::net
