// The printer's side of the UDP discovery and network-setting protocol, on
// its own thread: answers discovery requests (its MAC, state and error bits
// from its status byte, address, model and name), answers the two
// read-setting selectors, applies write-setting datagrams addressed to its
// MAC (name, address and mode are kept until the closing request applies
// them) and factory default, and ignores datagrams for other MACs.
//
// The layout is written here on its own, apart from the tool's code, so
// that tests of the tool against it check two readings of the protocol.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/fd_io.h"
#include "sim/network_settings.h"

namespace varnalux::sim {

struct PrinterCore;

struct UdpServeOptions {
  std::string address = "127.0.0.1";  // "0.0.0.0" takes broadcasts too
  uint16_t port = 22368;              // 0 picks a free one
  // Joins 224.0.0.251 on this interface when not empty.
  std::string multicastInterface;
  std::string model = "VL-200";
};

class UdpResponder {
 public:
  explicit UdpResponder(PrinterCore& core);
  ~UdpResponder();
  UdpResponder(const UdpResponder&) = delete;
  UdpResponder& operator=(const UdpResponder&) = delete;

  bool Start(const UdpServeOptions& options);
  // Takes the options without a socket or thread of its own: a socket
  // shared by several printers hands its datagrams to Answer.
  void AnswerFor(const UdpServeOptions& options);
  void Stop();
  uint16_t Port() const { return port_; }

  // Every datagram received, in order (at most DatagramsKept).
  std::vector<std::vector<uint8_t>> Received() const;
  void ClearReceived();

  // The answer to one datagram (empty: none); used by the thread, public
  // for tests.
  std::vector<uint8_t> Answer(const uint8_t* data, size_t size);

  static constexpr size_t DatagramsKept = 10000;

 private:
  void Run();
  // Forgets the network settings but the MAC, and the pending writes.
  void FactoryDefault(NetworkSettings& net);
  // Keeps one write-setting request; false for an unknown selector.
  bool WriteSetting(const uint8_t* data, NetworkSettings& net);
  void ApplyPending(NetworkSettings& net);

  PrinterCore& core_;
  UdpServeOptions options_;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  int fd_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;

  mutable std::mutex mu_;  // guards received_ and the pending settings
  std::vector<std::vector<uint8_t>> received_;
  // Written by the write-setting datagrams, applied by the closing request.
  bool pendingName_ = false;
  bool pendingAddress_ = false;
  bool pendingMode_ = false;
  NetworkSettings pending_;
};

// A UDP socket bound as options say (non-blocking, the multicast group
// joined when asked); -1 on failure. boundPort tells the port taken.
int OpenUdpSocket(const UdpServeOptions& options, uint16_t& boundPort);

// "00:1B:82:56:50:01" to bytes; false when it is not six hexadecimal pairs.
bool MacFromText(const std::string& text, uint8_t mac[6]);

}  // namespace varnalux::sim
