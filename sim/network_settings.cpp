#include "sim/network_settings.h"

#include <vector>

#include "sim/command_parse.h"

namespace varnalux::sim {

namespace {
constexpr size_t TextMax = 63;
}

bool NetworkSettings::Report(const std::string& key, std::string& payload) const {
  if (key == "CONFIGIP")
    payload = dhcp ? "0.0.0.0" : ipAddress;
  else if (key == "GATEWAY")
    payload = gateway;
  else if (key == "IPMASK")
    payload = subnetMask;
  else if (key == "LASTUSEDIP")
    payload = lastUsedIp;
  else if (key == "NETNAME")
    payload = netName;
  else if (key == "MACADDR")
    payload = macAddress;
  else
    return false;
  return true;
}

bool NetworkSettings::Apply(const std::string& line) {
  std::string upper = Upper(line);
  if (upper == "NET DHCP") {
    dhcp = true;
    return true;
  }
  if (upper.rfind("NET IP ", 0) == 0) {
    std::vector<std::string> parts = SplitArguments(line.substr(7));
    if (parts.size() != 3) return false;
    std::string ip, mask, gw;
    if (!ParseQuoted(parts[0], ip) || !ParseQuoted(parts[1], mask) || !ParseQuoted(parts[2], gw))
      return false;
    if (ip.size() > TextMax || mask.size() > TextMax || gw.size() > TextMax) return false;
    dhcp = false;
    ipAddress = ip;
    subnetMask = mask;
    gateway = gw;
    lastUsedIp = ip;
    return true;
  }
  if (upper.rfind("NET NAME ", 0) == 0) {
    std::string name;
    if (!ParseQuoted(line.substr(9), name) || name.size() > TextMax) return false;
    netName = name;
    return true;
  }
  return false;
}

}  // namespace varnalux::sim
