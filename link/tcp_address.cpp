#include "link/tcp_address.h"

namespace varnalux {

namespace {

bool ParsePortText(const std::string& text, int32_t& port) {
  if (text.empty() || text.size() > 5) return false;
  int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = value;
  return true;
}

}  // namespace

bool ParseTcpAddress(const std::string& text, std::string& host, int32_t& port) {
  std::string name;
  int32_t number = port;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return false;
    name = text.substr(1, close - 1);
    if (name.find(':') == std::string::npos) return false;  // IPv6 only in brackets
    const std::string rest = text.substr(close + 1);
    if (!rest.empty() && (rest.front() != ':' || !ParsePortText(rest.substr(1), number)))
      return false;
  } else if (text.find(':') != text.rfind(':')) {
    name = text;  // two colons or more: an IPv6 address without a port
  } else if (const size_t colon = text.find(':'); colon != std::string::npos) {
    name = text.substr(0, colon);
    if (!ParsePortText(text.substr(colon + 1), number)) return false;
  } else {
    name = text;
  }
  if (name.empty() || name.find_first_of("[] \t") != std::string::npos) return false;
  host = name;
  port = number;
  return true;
}

}  // namespace varnalux
