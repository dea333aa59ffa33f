// Where the discovery datagrams go and how long the tool waits for answers.
// Without an override every request goes to the broadcast address or the
// multicast group, out of every IPv4 interface that is up and can
// broadcast. The override (VARNALUX_DISCOVERY_TO=HOST:PORT,...) replaces
// both with the listed unicast destinations, so demonstrations and tests
// never send anything onto the network.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace varnalux::net {

// Waits of the protocol.
inline constexpr std::chrono::milliseconds DiscoverySilence{1000};   // per request
inline constexpr std::chrono::milliseconds SettingAnswerWait{3000};  // per change step
// A discovery request stops collecting after this long even if answers keep
// coming, and keeps at most this many rows.
inline constexpr std::chrono::milliseconds DiscoveryCollectMax{10000};
inline constexpr size_t DiscoveryRowsMax = 1024;

inline constexpr char DiscoveryOverrideVariable[] = "VARNALUX_DISCOVERY_TO";

struct Destination {
  uint32_t address = 0;  // IPv4, host order
  uint16_t port = 0;
};

struct UdpOptions {
  // True when the override variable was set: only `destinations` are used.
  bool overridden = false;
  std::vector<Destination> destinations;
  // Set when the override variable held something that is not a list of
  // destinations; nothing is sent then (an unusable override never falls
  // back to the broadcast).
  std::string overrideError;
  std::chrono::milliseconds silence = DiscoverySilence;
  std::chrono::milliseconds answerWait = SettingAnswerWait;
  std::chrono::milliseconds collectMax = DiscoveryCollectMax;
};

// "A.B.C.D:PORT[,A.B.C.D:PORT...]": numeric IPv4 addresses and ports 1 to
// 65535, at most 16 entries, neither the broadcast address nor a multicast
// group; spaces around entries are allowed. False (with
// a reason) for anything else.
bool ParseDestinations(const std::string& text, std::vector<Destination>& out, std::string& error);

// The options as the environment sets them: the override when the variable
// is set, the protocol's waits.
UdpOptions UdpOptionsFromEnvironment();

}  // namespace varnalux::net
