// One thread that waits on many listening sockets at once, so that a fleet
// of idle printers needs no thread each. When a socket has a connection
// waiting, the hub stops watching it and tells its owner, which serves the
// connections on a thread of its own and hands the socket back (Resume)
// when none waits any more.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/fd_io.h"

namespace varnalux::sim {

class ListenerHub {
 public:
  // What the hub watches.
  class Client {
   public:
    virtual ~Client() = default;
    virtual int ListenFd() const = 0;
    // A connection waits; called on the hub's thread. true: the client
    // serves it, and its socket is not watched until Resume; false: the
    // socket stays watched.
    virtual bool ConnectionWaiting() = 0;
  };

  ListenerHub() = default;
  ~ListenerHub();
  ListenerHub(const ListenerHub&) = delete;
  ListenerHub& operator=(const ListenerHub&) = delete;

  bool Start();
  // Ends the thread; the clients must have been removed first.
  void Stop();

  // Watches the client's socket.
  void Add(Client* client);
  // Forgets the client; once it returns, ConnectionWaiting is neither
  // running nor called again for it.
  void Remove(Client* client);
  // Watches the client's socket again (no-op once removed).
  void Resume(Client* client);

 private:
  struct Entry {
    Client* client;
    bool watched;
  };
  void Run();
  // Tells the clients whose sockets poll found ready.
  void Dispatch(const std::vector<Client*>& ready);

  std::mutex mu_;  // guards entries_; held while ConnectionWaiting runs
  std::vector<Entry> entries_;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace varnalux::sim
