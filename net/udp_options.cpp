#include "net/udp_options.h"

#include <cstdlib>

namespace varnalux::net {

namespace {

constexpr size_t kDestinationsMax = 16;

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

bool ParseEntry(const std::string& entry, Destination& out) {
  const size_t colon = entry.rfind(':');
  if (colon == std::string::npos) return false;
  unsigned port = 0;
  if (!ParseNumber(entry.substr(colon + 1), 65535, 5, port) || port == 0) return false;
  const std::string host = entry.substr(0, colon);
  uint32_t address = 0;
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t dot = part < 3 ? host.find('.', at) : host.size();
    if (dot == std::string::npos) return false;
    unsigned octet = 0;
    if (!ParseNumber(host.substr(at, dot - at), 255, 3, octet)) return false;
    address = (address << 8) | octet;
    at = dot + 1;
  }
  // The override stands in for the broadcast and the multicast group, so it
  // never is one of them.
  if (address == 0xFFFFFFFFu || (address >> 28) == 0xE) return false;
  out.address = address;
  out.port = static_cast<uint16_t>(port);
  return true;
}

}  // namespace

bool ParseDestinations(const std::string& text, std::vector<Destination>& out, std::string& error) {
  std::vector<Destination> parsed;
  size_t at = 0;
  for (;;) {
    const size_t comma = text.find(',', at);
    const std::string entry =
        Trimmed(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    Destination d;
    if (!ParseEntry(entry, d)) {
      error = "not an IPv4 address and port: '" + entry.substr(0, 64) + "'";
      return false;
    }
    if (parsed.size() == kDestinationsMax) {
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

UdpOptions UdpOptionsFromEnvironment() {
  UdpOptions options;
  const char* value = std::getenv(DiscoveryOverrideVariable);
  if (value == nullptr) return options;
  options.overridden = true;
  std::string error;
  if (!ParseDestinations(value, options.destinations, error))
    options.overrideError = std::string(DiscoveryOverrideVariable) + ": " + error;
  return options;
}

}  // namespace varnalux::net
