// A pseudo-terminal whose slave the serial link opens by path.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

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

  // What the master can read within waitMs (the master must not block).
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
