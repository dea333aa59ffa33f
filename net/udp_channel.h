// One datagram socket for one action of the discovery protocol: opened at
// the start of the action and closed at its end. Requests go to the
// broadcast address or the multicast group out of every IPv4 interface that
// is up and can broadcast (a printer cabled straight to a second interface
// with no route is found too), or to the override destinations; once a
// printer has answered, they can go only the way its answer came. Answers
// come back to the port the system chose for the first send, and each one
// is received with the interface it arrived on.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/answer_path.h"
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
  using Clock = std::chrono::steady_clock;

  // pump, when set, is called at least every PumpInterval while a receive
  // waits, so that a window stays responsive.
  explicit UdpChannel(const UdpOptions& options, std::function<void()> pump = {});
  ~UdpChannel();
  UdpChannel(const UdpChannel&) = delete;
  UdpChannel& operator=(const UdpChannel&) = delete;

  // False when no socket could be had, or the override is unusable.
  bool IsOpen() const { return fd_ >= 0; }

  // Sends the whole datagram along the route out of every interface (to
  // every override destination, each distinct one once); with `through`,
  // only out of the interfaces (to the destinations) those answers came by.
  // True when it left at least once.
  bool Send(const std::vector<uint8_t>& datagram, Route route,
            const std::vector<AnswerPath>& through = {});

  // Whether Send through this path goes anywhere: the answer arrived on an
  // interface requests go out of, or came from an override destination.
  bool Reaches(const AnswerPath& path) const;

  // Waits until deadline for one datagram of up to AnswerMax bytes; false
  // when none came or the wait failed.
  bool Receive(std::vector<uint8_t>& datagram, AnswerPath& from, Clock::time_point deadline);

  // Receives until `silence` passes without a datagram or the deadline is
  // reached, handing each to take(datagram, from). take returns false to
  // stop early.
  template <typename Take>
  void Collect(std::chrono::milliseconds silence, Clock::time_point deadline, Take take) {
    std::vector<uint8_t> datagram;
    AnswerPath from;
    for (;;) {
      const Clock::time_point now = Clock::now();
      if (now >= deadline) return;
      if (!Receive(datagram, from, std::min(deadline, now + silence))) return;
      if (!take(datagram, from)) return;
    }
  }

  const UdpOptions& Options() const { return options_; }

 private:
  bool SendTo(const std::vector<uint8_t>& datagram, uint32_t address, uint16_t port,
              const SendInterface* through, Route route);

  UdpOptions options_;
  std::function<void()> pump_;
  std::vector<SendInterface> interfaces_;  // as they were when the channel opened
  int fd_ = -1;
};

}  // namespace varnalux::net
