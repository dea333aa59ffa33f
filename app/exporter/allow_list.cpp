#include "app/exporter/allow_list.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

namespace varnalux {

namespace {

constexpr size_t ZoneMax = 64;
constexpr size_t AddressTextMax = 64;

bool ZoneCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.';
}

// The IPv4 address inside an IPv4-mapped IPv6 address, or the address as
// it is.
IpAddress Unmapped(const IpAddress& a) {
  static const uint8_t prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
  if (a.family != AF_INET6 || memcmp(a.bytes, prefix, sizeof prefix) != 0) return a;
  IpAddress v4;
  v4.family = AF_INET;
  memcpy(v4.bytes, a.bytes + 12, 4);
  return v4;
}

int AddressBits(int family) { return family == AF_INET ? 32 : 128; }

void ClearHostBits(IpAddress& a, int prefix) {
  const int bits = AddressBits(a.family);
  for (int bit = prefix; bit < bits; ++bit)
    a.bytes[bit / 8] &= static_cast<uint8_t>(~(0x80u >> (bit % 8)));
}

bool SamePrefix(const IpAddress& a, const IpAddress& b, int prefix) {
  IpAddress masked = a;
  ClearHostBits(masked, prefix);
  return memcmp(masked.bytes, b.bytes, static_cast<size_t>(AddressBits(a.family) / 8)) == 0;
}

}  // namespace

bool ParseIpAddress(std::string_view text, IpAddress& address, std::string* zone) {
  if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
    text = text.substr(1, text.size() - 2);
  std::string_view zoneText;
  const size_t percent = text.find('%');
  if (percent != std::string_view::npos) {
    zoneText = text.substr(percent + 1);
    text = text.substr(0, percent);
    if (zoneText.empty() || zoneText.size() > ZoneMax) return false;
    for (char c : zoneText)
      if (!ZoneCharacter(c)) return false;
  }
  if (text.empty() || text.size() >= AddressTextMax) return false;
  char buffer[AddressTextMax];
  memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  IpAddress parsed;
  if (percent == std::string_view::npos && inet_pton(AF_INET, buffer, parsed.bytes) == 1) {
    parsed.family = AF_INET;
  } else if (inet_pton(AF_INET6, buffer, parsed.bytes) == 1) {
    parsed.family = AF_INET6;
  } else {
    return false;
  }
  address = parsed;
  if (zone != nullptr) zone->assign(zoneText);
  return true;
}

std::string IpAddressText(const IpAddress& address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.family != AF_INET && address.family != AF_INET6) return {};
  if (inet_ntop(address.family, address.bytes, text, sizeof text) == nullptr) return {};
  return text;
}

bool ParseCidr(std::string_view text, Cidr& cidr, std::string& error) {
  const size_t slash = text.find('/');
  const std::string_view addressText = text.substr(0, slash);
  Cidr parsed;
  std::string zone;
  if (!ParseIpAddress(addressText, parsed.base, &zone) || !zone.empty() ||
      addressText.front() == '[') {
    error = "not an IPv4 or IPv6 network: " + std::string(text);
    return false;
  }
  parsed.base = Unmapped(parsed.base);
  const int bits = AddressBits(parsed.base.family);
  parsed.prefix = bits;
  if (slash != std::string_view::npos) {
    const std::string_view digits = text.substr(slash + 1);
    int prefix = 0;
    bool ok = !digits.empty() && digits.size() <= 3;
    for (size_t i = 0; ok && i < digits.size(); ++i) {
      ok = digits[i] >= '0' && digits[i] <= '9';
      prefix = prefix * 10 + (digits[i] - '0');
    }
    if (!ok || prefix > bits) {
      error = "bad prefix length in " + std::string(text);
      return false;
    }
    parsed.prefix = prefix;
  }
  ClearHostBits(parsed.base, parsed.prefix);
  cidr = parsed;
  return true;
}

bool AllowList::Permits(const IpAddress& address) const {
  const IpAddress judged = Unmapped(address);
  for (const Cidr& network : networks_) {
    if (network.base.family == judged.family && SamePrefix(judged, network.base, network.prefix))
      return true;
  }
  return false;
}

AllowList AllowList::LoopbackOnly() {
  AllowList list;
  std::string unused;
  Cidr cidr;
  if (ParseCidr("127.0.0.0/8", cidr, unused)) list.Add(cidr);
  if (ParseCidr("::1/128", cidr, unused)) list.Add(cidr);
  return list;
}

}  // namespace varnalux
