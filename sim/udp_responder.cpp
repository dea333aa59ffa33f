#include "sim/udp_responder.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/printer_core.h"

namespace varnalux::sim {

namespace {

constexpr size_t Header = 32;
constexpr size_t DiscoverAnswerSize = 148;  // name field of 64 bytes at 84
constexpr size_t SettingSize = 1064;
constexpr size_t DatagramMax = 2048;

constexpr uint16_t FactoryDefaultCommand = 1;
constexpr uint16_t DiscoverCommand = 2;
constexpr uint16_t ReadSettingCommand = 3;
constexpr uint16_t WriteSettingCommand = 4;

constexpr size_t Ip = 69, Mask = 73, Gateway = 77, Name = 176, Mode = 942, ModeFlag = 948;

uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// Dotted text to 4 bytes; 0.0.0.0 for anything that is not one.
void PutDotted(uint8_t* at, const std::string& text) {
  in_addr a{};
  if (inet_pton(AF_INET, text.c_str(), &a) != 1) a.s_addr = 0;
  std::memcpy(at, &a.s_addr, 4);
}

std::string Dotted(const uint8_t* at) {
  char text[16];
  snprintf(text, sizeof text, "%u.%u.%u.%u", at[0], at[1], at[2], at[3]);
  return text;
}

void PutText(uint8_t* at, size_t field, const std::string& text) {
  std::memcpy(at, text.data(), std::min(text.size(), field - 1));
}

// The printer's status byte as the protocol's state and error bits: bit 5
// printing, bit 4 paused, the error bits as an error state.
void StateFromStatus(uint8_t status, uint8_t& state, uint8_t& errors) {
  errors = 0;
  if (status & 0x01) errors |= 0x01;  // head (carriage) open
  if (status & 0x02) errors |= 0x02;  // paper jam
  if (status & 0x04) errors |= 0x04;  // out of paper
  if (status & 0x08) errors |= 0x08;  // out of ribbon
  if (status & 0x40) errors |= 0x40;  // head too hot
  if (errors != 0 || (status & 0x80) != 0)
    state = 3;
  else if (status & 0x20)
    state = 1;
  else if (status & 0x10)
    state = 2;
  else
    state = 0;
}

// An answer of answerSize bytes: the request's header, with this printer's
// MAC as the sender.
std::vector<uint8_t> AnswerOf(const uint8_t* request, const uint8_t mac[6], size_t answerSize) {
  std::vector<uint8_t> a(answerSize, 0);
  std::memcpy(a.data(), request, Header);
  std::memcpy(a.data() + 22, mac, 6);
  return a;
}

std::vector<uint8_t> DiscoverAnswer(const uint8_t* request, const uint8_t mac[6], uint8_t status,
                                    const NetworkSettings& net, const std::string& model) {
  std::vector<uint8_t> a = AnswerOf(request, mac, DiscoverAnswerSize);
  StateFromStatus(status, a[40], a[41]);
  PutDotted(a.data() + 44, net.dhcp ? net.lastUsedIp : net.ipAddress);
  PutText(a.data() + 52, 32, model);
  PutText(a.data() + 84, 64, net.netName);
  return a;
}

// The addresses (selector 4) or the address mode (selector 5); nothing
// for another selector.
std::vector<uint8_t> ReadSettingAnswer(const uint8_t* request, const uint8_t mac[6],
                                       const NetworkSettings& net) {
  std::vector<uint8_t> a = AnswerOf(request, mac, SettingSize);
  a[32] = request[32];
  if (request[32] == 4) {
    PutDotted(a.data() + Ip, net.dhcp ? net.lastUsedIp : net.ipAddress);
    PutDotted(a.data() + Mask, net.subnetMask);
    PutDotted(a.data() + Gateway, net.gateway);
  } else if (request[32] == 5) {
    a[Mode] = net.dhcp ? 8 : 1;
    a[ModeFlag] = net.dhcp ? 4 : 1;
  } else {
    return {};
  }
  return a;
}

}  // namespace

bool MacFromText(const std::string& text, uint8_t mac[6]) {
  unsigned v[6];
  char tail;
  if (sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
             &tail) != 6)
    return false;
  for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(v[i]);
  return true;
}

UdpResponder::UdpResponder(PrinterCore& core) : core_(core) {}

UdpResponder::~UdpResponder() { Stop(); }

int OpenUdpSocket(const UdpServeOptions& options, uint16_t& boundPort) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(options.port);
  if (inet_pton(AF_INET, options.address.c_str(), &addr.sin_addr) != 1) return -1;
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  socklen_t len = sizeof addr;
  bool ok = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
  if (ok && !options.multicastInterface.empty()) {
    ip_mreqn group{};
    group.imr_multiaddr.s_addr = htonl(0xE00000FBu);  // 224.0.0.251
    group.imr_ifindex = static_cast<int>(if_nametoindex(options.multicastInterface.c_str()));
    ok = group.imr_ifindex != 0 &&
         setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == 0;
  }
  if (!ok) {
    close(fd);
    return -1;
  }
  boundPort = ntohs(addr.sin_port);
  return fd;
}

bool UdpResponder::Start(const UdpServeOptions& options) {
  if (fd_ >= 0 || !wake_.Open()) return false;
  options_ = options;
  fd_ = OpenUdpSocket(options, port_);
  if (fd_ < 0) return false;
  stopping_ = false;
  wake_.Clear();
  thread_ = std::thread([this] { Run(); });
  return true;
}

void UdpResponder::AnswerFor(const UdpServeOptions& options) { options_ = options; }

void UdpResponder::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    wake_.Wake();
    thread_.join();
  }
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::vector<std::vector<uint8_t>> UdpResponder::Received() const {
  std::lock_guard<std::mutex> lock(mu_);
  return received_;
}

void UdpResponder::ClearReceived() {
  std::lock_guard<std::mutex> lock(mu_);
  received_.clear();
}

void UdpResponder::Run() {
  std::vector<uint8_t> buffer(DatagramMax);
  while (!stopping_) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
    if (poll(p, 2, 1000) <= 0 || (p[0].revents & POLLIN) == 0) continue;
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    ssize_t n = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLen);
    if (n < 0) continue;
    std::vector<uint8_t> answer = Answer(buffer.data(), static_cast<size_t>(n));
    if (!answer.empty())
      sendto(fd_, answer.data(), answer.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&from),
             fromLen);
  }
}

std::vector<uint8_t> UdpResponder::Answer(const uint8_t* data, size_t size) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (received_.size() < DatagramsKept) received_.emplace_back(data, data + size);
  }
  if (size < Header || Big16(data) != Header) return {};
  const uint16_t command = Big16(data + 8);

  std::lock_guard<std::mutex> coreLock(core_.mu);
  NetworkSettings& net = core_.net;
  uint8_t mac[6] = {};
  MacFromText(net.macAddress, mac);
  if (command == DiscoverCommand)
    return DiscoverAnswer(data, mac, core_.status, net, options_.model);
  if (std::memcmp(data + 22, mac, 6) != 0) return {};
  if (command == FactoryDefaultCommand) {
    FactoryDefault(net);
    return {};
  }
  if (command == ReadSettingCommand && size >= 34) return ReadSettingAnswer(data, mac, net);
  if (command == WriteSettingCommand && size >= SettingSize) {
    if (!WriteSetting(data, net)) return {};
    return AnswerOf(data, mac, Header);
  }
  return {};
}

void UdpResponder::FactoryDefault(NetworkSettings& net) {
  const std::string keepMac = net.macAddress;
  net = NetworkSettings{};
  net.macAddress = keepMac;
  std::lock_guard<std::mutex> lock(mu_);
  pendingName_ = pendingAddress_ = pendingMode_ = false;
}

bool UdpResponder::WriteSetting(const uint8_t* data, NetworkSettings& net) {
  std::lock_guard<std::mutex> lock(mu_);
  switch (data[34]) {
    case 0: {
      const void* nul = std::memchr(data + Name, 0, 64);
      const size_t length = nul ? static_cast<const uint8_t*>(nul) - (data + Name) : 64;
      pending_.netName.assign(reinterpret_cast<const char*>(data + Name),
                              std::min<size_t>(length, 63));
      pendingName_ = true;
      return true;
    }
    case 4:
      pending_.ipAddress = Dotted(data + Ip);
      pending_.subnetMask = Dotted(data + Mask);
      pending_.gateway = Dotted(data + Gateway);
      pendingAddress_ = true;
      return true;
    case 5:
      pending_.dhcp = data[Mode] == 8;
      pendingMode_ = true;
      return true;
    case 7: ApplyPending(net); return true;
    default: return false;
  }
}

// The closing request: what the writes before it set takes effect.
void UdpResponder::ApplyPending(NetworkSettings& net) {
  if (pendingName_) net.netName = pending_.netName;
  if (pendingAddress_) {
    net.ipAddress = pending_.ipAddress;
    net.subnetMask = pending_.subnetMask;
    net.gateway = pending_.gateway;
  }
  if (pendingMode_) net.dhcp = pending_.dhcp;
  if (pendingAddress_ && !net.dhcp) net.lastUsedIp = net.ipAddress;
  pendingName_ = pendingAddress_ = pendingMode_ = false;
}

}  // namespace varnalux::sim
