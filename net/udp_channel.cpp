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

UdpChannel::UdpChannel(const UdpOptions& options) : options_(options) {
  if (options_.overridden && (!options_.overrideError.empty() || options_.destinations.empty()))
    return;
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  if (!options_.overridden) {
    const int on = 1;
    if (setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
      close(fd_);
      fd_ = -1;
    }
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

bool UdpChannel::Send(const std::vector<uint8_t>& datagram, Route route) {
  if (fd_ < 0) return false;
  bool any = false;
  if (options_.overridden) {
    for (const Destination& d : options_.destinations)
      any = SendTo(datagram, d.address, d.port, nullptr, route) || any;
    return any;
  }
  const uint32_t address = route == Route::Broadcast ? BroadcastAddress : MulticastGroup;
  const std::vector<SendInterface> interfaces = BroadcastInterfaces();
  for (const SendInterface& i : interfaces) {
    if (route == Route::Multicast && !i.multicast) continue;
    any = SendTo(datagram, address, DiscoveryPort, &i, route) || any;
  }
  // With no such interface the system's own choice is the only way out.
  if (interfaces.empty()) any = SendTo(datagram, address, DiscoveryPort, nullptr, route);
  return any;
}

bool UdpChannel::Receive(std::vector<uint8_t>& datagram, std::chrono::milliseconds wait) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(std::max<int64_t>(0, wait.count())));
  if (ready <= 0 || (p.revents & POLLIN) == 0) return false;
  datagram.resize(AnswerMax);
  ssize_t n;
  do {
    n = recvfrom(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT, nullptr, nullptr);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    datagram.clear();
    return false;
  }
  datagram.resize(static_cast<size_t>(n));
  return true;
}

}  // namespace varnalux::net
