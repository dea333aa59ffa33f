#include "protocol/network_text.h"

#include <cstring>

#include "base/printable_text.h"

namespace varnalux {

namespace {

struct TextField {
  const char* name;
  const char (NetworkSettings::*field)[NetTextSize];
};

const TextField TextFields[] = {
    {"ipAddress", &NetworkSettings::ipAddress}, {"subnetMask", &NetworkSettings::subnetMask},
    {"gateway", &NetworkSettings::gateway},     {"lastUsedIp", &NetworkSettings::lastUsedIp},
    {"netName", &NetworkSettings::netName},     {"macAddress", &NetworkSettings::macAddress},
};

std::string FieldText(const NetworkSettings& s, const TextField& f) {
  const char(&field)[NetTextSize] = s.*(f.field);
  return std::string(field, strnlen(field, NetTextSize));
}

}  // namespace

std::string NetSettingsAsText(const NetworkSettings& settings) {
  std::string out = "dhcp: " + std::to_string(settings.dhcp) + "\n";
  for (const TextField& f : TextFields)
    out += std::string(f.name) + ": " + PlainText(FieldText(settings, f)) + "\n";
  return out;
}

std::string NetSettingsAsJson(const NetworkSettings& settings) {
  std::string out = "{\"dhcp\": ";
  out += settings.dhcp == 1 ? "true" : "false";
  for (const TextField& f : TextFields)
    out += ", \"" + std::string(f.name) + "\": " + JsonString(FieldText(settings, f));
  return out + "}\n";
}

}  // namespace varnalux
