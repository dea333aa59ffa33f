#include "sim/fleet_plan.h"

#include <cstdio>
#include <cstdlib>

namespace varnalux::sim {

namespace {

// A whole decimal number from 1 to count; 0 when it is not one.
int PrinterNumber(const std::string& text, int count) {
  if (text.empty() || text.size() > 4) return 0;
  for (char c : text)
    if (c < '0' || c > '9') return 0;
  int n = atoi(text.c_str());
  return n >= 1 && n <= count ? n : 0;
}

// One item of the list: a number or a range "a-b" with a <= b.
std::string ChooseItem(const std::string& item, int count, std::vector<bool>& chosen) {
  const size_t dash = item.find('-');
  const std::string first = item.substr(0, dash);
  const std::string last = dash == std::string::npos ? first : item.substr(dash + 1);
  const int from = PrinterNumber(first, count);
  const int to = PrinterNumber(last, count);
  if (from == 0 || to == 0 || from > to)
    return "bad printer list item '" + item + "' (numbers from 1 to " + std::to_string(count) +
           ", ranges like 1-5)";
  for (int n = from; n <= to; ++n) chosen[static_cast<size_t>(n - 1)] = true;
  return {};
}

}  // namespace

std::string ChoosePrinters(const std::string& list, int count, std::vector<bool>& chosen) {
  chosen.assign(static_cast<size_t>(count > 0 ? count : 0), false);
  if (list.empty()) return "empty printer list";
  size_t at = 0;
  for (;;) {
    const size_t comma = list.find(',', at);
    const std::string item = list.substr(at, comma == std::string::npos ? comma : comma - at);
    if (std::string error = ChooseItem(item, count, chosen); !error.empty()) return error;
    if (comma == std::string::npos) return {};
    at = comma + 1;
  }
}

std::string FleetName(const std::string& base, int number) {
  char digits[16];
  snprintf(digits, sizeof digits, "%03d", number);
  return base + "-" + digits;
}

bool FleetMac(const std::string& base, int offset, std::string& mac) {
  uint8_t b[6];
  if (!MacFromText(base, b)) return false;
  uint32_t low = (static_cast<uint32_t>(b[3]) << 16) | (b[4] << 8) | b[5];
  low = (low + static_cast<uint32_t>(offset)) & 0xFFFFFFu;
  char text[18];
  snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], (low >> 16) & 0xFF,
           (low >> 8) & 0xFF, low & 0xFF);
  mac = text;
  return true;
}

std::string CheckPortRange(const std::string& option, uint16_t port, int count) {
  if (port == 0 || static_cast<long>(port) + count - 1 <= 65535) return {};
  return option + " ports " + std::to_string(port) + " to " +
         std::to_string(static_cast<long>(port) + count - 1) + " go beyond 65535";
}

}  // namespace varnalux::sim
