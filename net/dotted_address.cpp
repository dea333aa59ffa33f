#include "net/dotted_address.h"

#include <cstdio>

namespace varnalux::net {

namespace {

constexpr Address InvalidAddress = {0xFF, 0xFF, 0xFF, 0xFF};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string FormatDottedAddress(const Address& address) {
  char text[16];
  snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
  return text;
}

Address ParseDottedAddress(const std::string& text) {
  Address result{};
  size_t at = 0;
  for (size_t part = 0; part < result.size(); ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') return InvalidAddress;
      ++at;
    }
    if (at >= text.size() || !IsDigit(text[at])) return InvalidAddress;
    unsigned value = 0;
    // Leading zeros are taken; the value is checked as it grows so a long
    // run of digits cannot overflow.
    while (at < text.size() && IsDigit(text[at])) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      if (value > 255) return InvalidAddress;
      ++at;
    }
    result[part] = static_cast<uint8_t>(value);
  }
  // Whatever follows the fourth number ends the text, unless it is a dot.
  if (at < text.size() && text[at] == '.') return InvalidAddress;
  return result;
}

std::string FormatMacText(const Mac& mac) {
  char text[18];
  snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
           mac[4], mac[5]);
  return text;
}

bool ParseMacText(const std::string& text, Mac& mac) {
  constexpr size_t Length = 17;  // six pairs and five colons
  if (text.size() != Length) return false;
  Mac out{};
  for (size_t i = 0; i < out.size(); ++i) {
    const size_t at = i * 3;
    if (i > 0 && text[at - 1] != ':') return false;
    const int high = HexValue(text[at]);
    const int low = HexValue(text[at + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>(high * 16 + low);
  }
  mac = out;
  return true;
}

}  // namespace varnalux::net
