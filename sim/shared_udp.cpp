#include "sim/shared_udp.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "sim/virtual_printer.h"

namespace varnalux::sim {

namespace {
constexpr size_t DatagramMax = 2048;
// How long one answer may wait for room in the socket's send buffer.
constexpr int SendRoomWaitMs = 100;
}  // namespace

SharedUdpSocket::~SharedUdpSocket() { Stop(); }

bool SharedUdpSocket::Start(const UdpServeOptions& options, std::vector<VirtualPrinter*> printers) {
  if (fd_ >= 0 || !wake_.Open()) return false;
  fd_ = OpenUdpSocket(options, port_);
  if (fd_ < 0) return false;
  printers_ = std::move(printers);
  for (VirtualPrinter* printer : printers_) printer->AnswerUdpFor(options);
  stopping_ = false;
  wake_.Clear();
  thread_ = std::thread([this] { Run(); });
  return true;
}

void SharedUdpSocket::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wake_.Wake();
    thread_.join();
  }
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void SharedUdpSocket::Run() {
  std::vector<uint8_t> buffer(DatagramMax);
  while (!stopping_) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
    if (poll(p, 2, 1000) <= 0 || (p[0].revents & POLLIN) == 0) continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLength);
    if (n < 0) continue;
    for (VirtualPrinter* printer : printers_) {
      if (stopping_) break;
      std::vector<uint8_t> answer = printer->AnswerUdp(buffer.data(), static_cast<size_t>(n));
      if (!answer.empty()) Reply(answer, &from, fromLength);
    }
  }
}

// Sends one answer; a full send buffer is waited for a little, then the
// answer is lost as a datagram may be.
void SharedUdpSocket::Reply(const std::vector<uint8_t>& answer, const void* to, unsigned toLength) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    ssize_t sent = sendto(fd_, answer.data(), answer.size(), MSG_NOSIGNAL,
                          static_cast<const sockaddr*>(to), toLength);
    if (sent >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return;
    pollfd p{fd_, POLLOUT, 0};
    poll(&p, 1, SendRoomWaitMs);
  }
}

}  // namespace varnalux::sim
