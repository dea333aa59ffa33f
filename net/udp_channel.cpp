#include "net/udp_channel.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "net/udp_protocol.h"

namespace varnalux::net {

std::vector<SendInterface> BroadcastInterfaces() {
  std::vector<SendInterface> result;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return result;
  for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
    if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
    const unsigned flags = it->ifa_flags;
    if ((flags & IFF_UP) == 0 || (flags & IFF_LOOPBACK) != 0 || (flags & IFF_BROADCAST) == 0)
      continue;
    const unsigned index = if_nametoindex(it->ifa_name);
    if (index == 0) continue;
    // Address aliases share their interface's index: one send per interface.
    if (std::any_of(result.begin(), result.end(),
                    [&](const SendInterface& s) { return s.index == index; }))
      continue;
    result.push_back({it->ifa_name, index, (flags & IFF_MULTICAST) != 0});
  }
  freeifaddrs(list);
  return result;
}

UdpChannel::UdpChannel(const UdpOptions& options, std::function<void()> pump)
    : options_(options), pump_(std::move(pump)) {
  if (options_.overridden && (!options_.overrideError.empty() || options_.destinations.empty()))
    return;
  if (!options_.overridden) interfaces_ = BroadcastInterfaces();
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  const int on = 1;
  // The interface each answer arrives on comes with it.
  bool ok = setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0;
  if (ok && !options_.overridden)
    ok = setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
  if (!ok) {
    close(fd_);
    fd_ = -1;
  }
}

UdpChannel::~UdpChannel() {
  if (fd_ >= 0) close(fd_);
}

bool UdpChannel::SendTo(const std::vector<uint8_t>& datagram, uint32_t address, uint16_t port,
                        const SendInterface* through, Route route) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(address);
  to.sin_port = htons(port);
  iovec iov{const_cast<uint8_t*>(datagram.data()), datagram.size()};
  msghdr msg{};
  msg.msg_name = &to;
  msg.msg_namelen = sizeof to;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  if (through != nullptr) {
    if (route == Route::Multicast) {
      ip_mreqn interface {};
      interface.imr_ifindex = static_cast<int>(through->index);
      if (setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) != 0)
        return false;
    } else {
      // The outgoing interface of this one datagram, whatever the routing
      // table says about the broadcast address.
      msg.msg_control = control;
      msg.msg_controllen = sizeof control;
      cmsghdr* c = CMSG_FIRSTHDR(&msg);
      c->cmsg_level = IPPROTO_IP;
      c->cmsg_type = IP_PKTINFO;
      c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
      in_pktinfo info{};
      info.ipi_ifindex = static_cast<int>(through->index);
      std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
  }
  ssize_t sent;
  do {
    sent = sendmsg(fd_, &msg, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(datagram.size());
}

namespace {

bool SameDestination(const Destination& a, const Destination& b) {
  return a.address == b.address && a.port == b.port;
}

bool CameFrom(const Destination& d, const std::vector<AnswerPath>& through) {
  return std::any_of(through.begin(), through.end(), [&](const AnswerPath& p) {
    return p.address == d.address && p.port == d.port;
  });
}

bool CameOn(const SendInterface& i, const std::vector<AnswerPath>& through) {
  return std::any_of(through.begin(), through.end(),
                     [&](const AnswerPath& p) { return p.interfaceIndex == i.index; });
}

}  // namespace

bool UdpChannel::Send(const std::vector<uint8_t>& datagram, Route route,
                      const std::vector<AnswerPath>& through) {
  if (fd_ < 0) return false;
  bool any = false;
  if (options_.overridden) {
    const std::vector<Destination>& all = options_.destinations;
    for (size_t i = 0; i < all.size(); ++i) {
      const Destination& d = all[i];
      // A destination listed twice is still one printer: one datagram.
      if (std::any_of(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(i),
                      [&](const Destination& e) { return SameDestination(d, e); }))
        continue;
      if (!through.empty() && !CameFrom(d, through)) continue;
      any = SendTo(datagram, d.address, d.port, nullptr, route) || any;
    }
    return any;
  }
  const uint32_t address = route == Route::Broadcast ? BroadcastAddress : MulticastGroup;
  for (const SendInterface& i : interfaces_) {
    if (route == Route::Multicast && !i.multicast) continue;
    if (!through.empty() && !CameOn(i, through)) continue;
    any = SendTo(datagram, address, DiscoveryPort, &i, route) || any;
  }
  // With no such interface the system's own choice is the only way out.
  if (interfaces_.empty()) any = SendTo(datagram, address, DiscoveryPort, nullptr, route);
  return any;
}

bool UdpChannel::Reaches(const AnswerPath& path) const {
  const std::vector<AnswerPath> one = {path};
  if (options_.overridden)
    return std::any_of(options_.destinations.begin(), options_.destinations.end(),
                       [&](const Destination& d) { return CameFrom(d, one); });
  return std::any_of(interfaces_.begin(), interfaces_.end(),
                     [&](const SendInterface& i) { return CameOn(i, one); });
}

bool UdpChannel::Receive(std::vector<uint8_t>& datagram, AnswerPath& from,
                         Clock::time_point deadline) {
  datagram.clear();
  if (fd_ < 0) return false;
  for (;;) {
    // Rounded up, so that what is left of the last millisecond is waited
    // for rather than spun away.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const auto slice = pump_ ? std::min(left, PumpInterval) : left;
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(std::max<int64_t>(0, slice.count())));
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) {
      if ((p.revents & POLLIN) == 0) return false;
      break;
    }
    if (Clock::now() >= deadline) return false;
    if (pump_) pump_();
  }
  datagram.resize(AnswerMax);
  sockaddr_in sender{};
  iovec iov{datagram.data(), datagram.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr msg{};
  msg.msg_name = &sender;
  msg.msg_namelen = sizeof sender;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  ssize_t n;
  do {
    n = recvmsg(fd_, &msg, MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    datagram.clear();
    return false;
  }
  datagram.resize(static_cast<size_t>(n));
  from = AnswerPath{};
  if (msg.msg_namelen >= sizeof sender && sender.sin_family == AF_INET) {
    from.address = ntohl(sender.sin_addr.s_addr);
    from.port = ntohs(sender.sin_port);
  }
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
    in_pktinfo info{};
    std::memcpy(&info, CMSG_DATA(c), sizeof info);
    from.interfaceIndex = static_cast<unsigned>(info.ipi_ifindex);
  }
  return true;
}

}  // namespace varnalux::net
