#include "sim/control_channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "sim/virtual_printer.h"

namespace varnalux::sim {

namespace {
constexpr size_t ControlLineMax = 8192;
}

ControlChannel::ControlChannel(VirtualPrinter& printer) : printer_(printer) {}

ControlChannel::~ControlChannel() { Stop(); }

void ControlChannel::Serve(int fd) {
  std::string pending;
  char buffer[1024];
  while (!Stopping()) {
    pollfd p[2] = {{fd, POLLIN, 0}, {WakeFd(), POLLIN, 0}};
    int r = poll(p, 2, 1000);
    if (r < 0 && errno != EINTR) return;
    if (Stopping() || (p[1].revents & POLLIN) != 0) return;
    if ((p[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) return;
    pending.append(buffer, static_cast<size_t>(n));
    size_t eol;
    while ((eol = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      bool quit = false;
      std::string reply = RunControlCommand(printer_, line, quit);
      if (!WriteFully(fd, reinterpret_cast<const uint8_t*>(reply.data()), reply.size(), 3000,
                      true) ||
          quit)
        return;
    }
    if (pending.size() > ControlLineMax) return;
  }
}

}  // namespace varnalux::sim
