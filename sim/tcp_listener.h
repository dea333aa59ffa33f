// A TCP listener that serves one connection at a time: the printer's port
// and the control channel are both built on it. Alone it waits for
// connections on a thread of its own; with a hub, the hub waits for it and
// a thread is only started while there are connections to serve.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "sim/fd_io.h"
#include "sim/listener_hub.h"

namespace varnalux::sim {

// A listening IPv4 socket on a numeric address ("localhost" is taken as
// 127.0.0.1); -1 on failure. port 0 picks a free port; boundPort tells it.
int OpenListener(const std::string& address, uint16_t port, uint16_t& boundPort);

class TcpListener : private ListenerHub::Client {
 public:
  TcpListener() = default;
  virtual ~TcpListener() = default;
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // hub, when given, must outlive Stop.
  bool Start(const std::string& address, uint16_t port, ListenerHub* hub = nullptr);
  uint16_t Port() const { return port_; }
  // Ends the thread; a derived class calls it from its own destructor, so
  // that Serve never runs on a half-destroyed object.
  void Stop();

 protected:
  // Serves one accepted, non-blocking connection until it ends or Stopping().
  virtual void Serve(int fd) = 0;
  bool Stopping() const { return stopping_; }
  int WakeFd() const { return wake_.ReadEnd(); }

 private:
  void Run();
  int ListenFd() const override { return listenFd_; }
  bool ConnectionWaiting() override;
  // Serves the connections waiting, then hands the socket back to the hub.
  void ServeWaiting();

  ListenerHub* hub_ = nullptr;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  int listenFd_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace varnalux::sim
