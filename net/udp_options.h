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
// A whole discovery run (both requests) ends after this long even if
// answers keep coming; the first request collects for at most half of it,
// so the second one always gets its turn.
inline constexpr std::chrono::milliseconds DiscoveryRunMax{6000};
// A discovery keeps at most this many rows.
inline constexpr size_t DiscoveryRowsMax = 1024;
// While it waits for answers, the tool hands control to the window (the
// pump of the session) at least this often.
inline constexpr std::chrono::milliseconds PumpInterval{50};

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
  std::chrono::milliseconds discoveryMax = DiscoveryRunMax;
};

// "A.B.C.D:PORT[,A.B.C.D:PORT...]": numeric IPv4 addresses and ports 1 to
// 65535, at most 16 entries; spaces around entries are allowed. An entry
// that names no single host is refused: 0.0.0.0, 255.255.255.255, the
// loopback broadcast 127.255.255.255, a multicast group, or any address in
// `broadcasts` (the interfaces' broadcast addresses). False (with a reason)
// for anything else.
bool ParseDestinations(const std::string& text, std::vector<Destination>& out, std::string& error,
                       const std::vector<uint32_t>& broadcasts = {});

// The broadcast addresses of this machine's IPv4 interfaces as they are
// now: each one's own broadcast address and the top address of its subnet.
std::vector<uint32_t> InterfaceBroadcasts();

// The options as the environment sets them: the override when the variable
// is set (checked against the interfaces' broadcast addresses of this
// moment), the protocol's waits.
UdpOptions UdpOptionsFromEnvironment();

}  // namespace varnalux::net
