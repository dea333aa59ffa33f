#include "protocol/network_settings.h"

#include <cstring>

namespace varnalux {

void InitNetworkSettings(NetworkSettings& settings) {
  std::memset(&settings, 0, sizeof settings);
  settings.dhcp = 1;
  StoreNetText(settings.ipAddress, "0.0.0.0");
  StoreNetText(settings.subnetMask, "0.0.0.0");
  StoreNetText(settings.gateway, "0.0.0.0");
  StoreNetText(settings.lastUsedIp, "0.0.0.0");
  settings.action = NetActionSetIp;
  settings.confirmed = 0;
}

void StoreNetText(char (&field)[NetTextSize], std::string_view text) {
  const size_t n = text.size() < NetTextSize - 1 ? text.size() : NetTextSize - 1;
  if (n > 0) std::memmove(field, text.data(), n);
  field[n] = '\0';
}

bool NetTextSendable(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E || c == '"') return false;
  }
  return true;
}

}  // namespace varnalux
