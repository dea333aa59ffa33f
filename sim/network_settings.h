// The printer's own network settings: address mode, address, mask,
// gateway, the address last used, its name and MAC address. They are only
// texts here; the virtual printer never joins a network with them.
#pragma once

#include <string>

namespace varnalux::sim {

class NetworkSettings {
 public:
  bool dhcp = true;
  std::string ipAddress = "192.168.1.120";  // kept for a later switch to static
  std::string subnetMask = "255.255.255.0";
  std::string gateway = "192.168.1.1";
  std::string lastUsedIp = "192.168.1.120";
  std::string netName = "VPRINTER";
  std::string macAddress = "00:1B:82:56:50:01";

  // CONFIGIP ("0.0.0.0" while DHCP is on), GATEWAY, IPMASK, LASTUSEDIP,
  // NETNAME, MACADDR; false for other keys.
  bool Report(const std::string& key, std::string& payload) const;
  // NET DHCP | NET IP "ip","mask","gateway" | NET NAME "name"; line with
  // the command word in upper case. false when the line is not one of them.
  bool Apply(const std::string& line);
};

}  // namespace varnalux::sim
