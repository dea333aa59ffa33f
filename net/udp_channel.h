// One datagram socket for one action of the discovery protocol: opened at
// the start of the action and closed at its end. Requests go to the
// broadcast address or the multicast group out of every IPv4 interface that
// is up and can broadcast (a printer cabled straight to a second interface
// with no route is found too), or to the override destinations. Answers
// come back to the port the system chose for the first send.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "net/udp_options.h"

namespace varnalux::net {

enum class Route { Broadcast, Multicast };

inline constexpr uint32_t BroadcastAddress = 0xFFFFFFFFu;  // 255.255.255.255
inline constexpr uint32_t MulticastGroup = 0xE00000FBu;    // 224.0.0.251

// An IPv4 interface that requests go out of.
struct SendInterface {
  std::string name;
  unsigned index = 0;
  bool multicast = false;
};

// The interfaces that are up, not loopback and can broadcast, each once.
std::vector<SendInterface> BroadcastInterfaces();

class UdpChannel {
 public:
  explicit UdpChannel(const UdpOptions& options);
  ~UdpChannel();
  UdpChannel(const UdpChannel&) = delete;
  UdpChannel& operator=(const UdpChannel&) = delete;

  // False when no socket could be had, or the override is unusable.
  bool IsOpen() const { return fd_ >= 0; }

  // Sends the whole datagram along the route; true when it left through at
  // least one interface (or to at least one override destination).
  bool Send(const std::vector<uint8_t>& datagram, Route route);

  // Waits up to `wait` for one datagram of up to AnswerMax bytes; false
  // when none came or the wait failed.
  bool Receive(std::vector<uint8_t>& datagram, std::chrono::milliseconds wait);

  // Receives until `silence` passes without a datagram (or the collection
  // bound of the options is reached), handing each to take. take returns
  // false to stop early.
  template <typename Take>
  void Collect(std::chrono::milliseconds silence, Take take) {
    const auto end = std::chrono::steady_clock::now() + options_.collectMax;
    std::vector<uint8_t> datagram;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      if (!Receive(datagram, std::min(silence, left))) return;
      if (!take(datagram)) return;
    }
  }

  const UdpOptions& Options() const { return options_; }

 private:
  bool SendTo(const std::vector<uint8_t>& datagram, uint32_t address, uint16_t port,
              const SendInterface* through, Route route);

  UdpOptions options_;
  int fd_ = -1;
};

}  // namespace varnalux::net
