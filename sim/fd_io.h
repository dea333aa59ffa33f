// Bounded waits and writes on file descriptors, and a pipe that wakes a
// serving thread when it is to stop.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnalux::sim {

// Writes all count bytes, waiting at most timeoutMs in all for the
// descriptor to take them. Sockets are written without SIGPIPE.
bool WriteFully(int fd, const uint8_t* data, size_t count, int timeoutMs, bool socket);

// An event descriptor that wakes a waiting thread (the one descriptor is
// both ends). It is made by Open, when a thread is started: a printer that
// never serves a transport holds no descriptor for it.
class WakePipe {
 public:
  WakePipe() = default;
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  // Makes the descriptor unless made; false when it cannot be made.
  bool Open();
  bool Valid() const { return fd_ >= 0; }
  // Readable (POLLIN) from Wake to Clear.
  int ReadEnd() const { return fd_; }
  void Wake();
  // Takes back the wake-ups, so that a restarted thread is not woken by an
  // old stop.
  void Clear();
  // Waits up to ms for a wake-up; true when woken.
  bool WaitMs(int ms) const;

 private:
  int fd_ = -1;
};

// Puts a descriptor into non-blocking mode; false on failure.
bool SetNonBlocking(int fd);

}  // namespace varnalux::sim
