// The printer's own network settings as the tool reads and sends them
// through the link: address mode, addresses, name and MAC, plus what the
// "Ethernet Setup" dialog hands back (which Set button, and whether one was
// pressed). The main window keeps one for the whole run; the discovery
// window fills its own for a printer found on the network.
#pragma once

#include <cstdint>
#include <string_view>

namespace varnalux {

// Size of each text field: at most 63 characters and the NUL.
inline constexpr uint32_t NetTextSize = 64;

// Values of NetworkSettings::action.
inline constexpr int32_t NetActionSetIp = 0;
inline constexpr int32_t NetActionSetName = 1;

struct NetworkSettings {
  uint8_t dhcp;                 // 1: address by DHCP; 0: static address
  char ipAddress[NetTextSize];  // configured address, dotted decimal
  char subnetMask[NetTextSize];
  char gateway[NetTextSize];
  char lastUsedIp[NetTextSize];  // shown in the IP box while DHCP is chosen
  char netName[NetTextSize];
  char macAddress[NetTextSize];  // as the printer formats it
  int32_t action;                // NetActionSetIp or NetActionSetName
  uint8_t confirmed;             // 1 when the dialog was left with a Set button
};

// The run's initial value: DHCP, the four addresses "0.0.0.0", empty name
// and MAC, action 0, not confirmed.
void InitNetworkSettings(NetworkSettings& settings);

// Stores text into a field, cut to 63 bytes, always NUL-terminated.
void StoreNetText(char (&field)[NetTextSize], std::string_view text);

// Whether a typed address or name can go between the double quotes of a
// NET command: printable ASCII only, no double quote (an empty text is
// sendable).
bool NetTextSendable(std::string_view text);

}  // namespace varnalux
