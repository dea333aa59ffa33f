// A pseudo-terminal whose slave the serial link opens by path.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace varnalux::testing {

struct PtyPair {
  // HoldSlave keeps a slave descriptor open for the pair's lifetime, so the
  // terminal stays alive between the link's opens.
  enum Slave { LeaveSlave, HoldSlave };

  explicit PtyPair(Slave slaveMode = LeaveSlave) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    slave = ptsname(master);
    if (slaveMode == HoldSlave) keep = open(slave.c_str(), O_RDWR | O_NOCTTY);
  }
  ~PtyPair() {
    if (keep >= 0) close(keep);
    close(master);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // What the master reads once at least count bytes have come, or all that
  // came within waitMs. For bytes that must arrive.
  std::string ReadAtLeast(size_t count, int waitMs = 5000) {
    std::string out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (out.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      char buf[4096];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0)
        out.append(buf, static_cast<size_t>(n));
      else if ((p.revents & POLLHUP) != 0)
        break;  // the slave is closed and everything read
    }
    return out;
  }

  // What the master can read within waitMs (the master must not block). For
  // bytes that must NOT come: nothing signals their absence but time.
  std::string Drain(int waitMs = 300) {
    std::string out;
    for (int waited = 0; waited < waitMs; waited += 10) {
      char buf[4096];
      ssize_t n;
      while ((n = read(master, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
      usleep(10000);
    }
    return out;
  }

  int master = -1;
  std::string slave;
  int keep = -1;
};

}  // namespace varnalux::testing
