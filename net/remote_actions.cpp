#include "net/remote_actions.h"

#include <utility>

#include "net/dotted_address.h"

namespace varnalux::net {

namespace {

using Clock = UdpChannel::Clock;

// One request of a change and the wait for its answer. Only a datagram that
// answers this very request ends the wait; anything else (another
// request's answer, a second copy of an answer already taken, a stranger's
// datagram) is dropped. The first answer fixes the way the change goes on.
class ChangeExchange {
 public:
  ChangeExchange(UdpChannel& channel, std::vector<AnswerPath> through,
                 std::chrono::milliseconds wait)
      : channel_(channel), ways_(std::move(through)), wait_(wait) {}

  bool Ask(const std::vector<uint8_t>& request, std::vector<uint8_t>& answer) {
    channel_.Send(request, Route::Broadcast, ways_);
    const Clock::time_point deadline = Clock::now() + wait_;
    AnswerPath from;
    while (channel_.Receive(answer, from, deadline)) {
      if (!AnswersRequest(answer.data(), answer.size(), request)) continue;
      if (!pinned_ && channel_.Reaches(from)) {
        ways_ = {from};
        pinned_ = true;
      }
      return true;
    }
    answer.clear();
    return false;
  }

  // Before the writes: one way only, even when the printer never answered.
  void KeepOneWay() {
    if (!pinned_ && ways_.size() > 1) ways_.resize(1);
  }

 private:
  UdpChannel& channel_;
  std::vector<AnswerPath> ways_;
  std::chrono::milliseconds wait_;
  bool pinned_ = false;
};

}  // namespace

RemoteSession::RemoteSession(UdpOptions options) : options_(std::move(options)) {}

bool RemoteSession::Discover(std::vector<PrinterRow>& rows) {
  UdpChannel channel(options_, pump_);
  if (!channel.IsOpen()) return false;
  const std::vector<uint8_t> request = BuildDiscoveryRequest(sequence_);
  auto take = [&rows](const std::vector<uint8_t>& answer, const AnswerPath& from) {
    AddPrinterRow(rows, answer.data(), answer.size(), from);
    return rows.size() < DiscoveryRowsMax;
  };
  // The first request may use half of the run, the second what is left.
  const Clock::time_point start = Clock::now();
  const std::pair<Route, Clock::time_point> steps[] = {
      {Route::Broadcast, start + options_.discoveryMax / 2},
      {Route::Multicast, start + options_.discoveryMax}};
  for (const auto& [route, end] : steps) {
    channel.Send(request, route);
    if (rows.size() < DiscoveryRowsMax) channel.Collect(options_.silence, end, take);
  }
  ++sequence_;
  return true;
}

bool RemoteSession::FactoryDefault(const Mac& mac, bool& sent,
                                   const std::vector<AnswerPath>& through) {
  sent = false;
  UdpChannel channel(options_, pump_);
  if (!channel.IsOpen()) return false;
  std::vector<AnswerPath> way;
  if (!through.empty()) way.push_back(through.front());
  sent = channel.Send(BuildFactoryDefaultRequest(sequence_, mac), Route::Broadcast, way);
  ++sequence_;
  return true;
}

ChangeOutcome RemoteSession::ChangeSettings(const Mac& mac, const RemoteSettings& assumed,
                                            const Editor& edit,
                                            const std::vector<AnswerPath>& through) {
  UdpChannel channel(options_, pump_);
  if (!channel.IsOpen()) return ChangeOutcome::NoSocket;
  ChangeExchange exchange(channel, through, options_.answerWait);
  SettingRequest request(sequence_, mac);
  SettingsEdit working{assumed, false, false};
  SettingsRead read;
  std::vector<uint8_t> answer;

  if (exchange.Ask(request.Read(SelectorAddress), answer)) {
    Address ip, mask, gateway;
    if (ParseAddressAnswer(answer.data(), answer.size(), ip, mask, gateway)) {
      working.settings.ipAddress = FormatDottedAddress(ip);
      working.settings.subnetMask = FormatDottedAddress(mask);
      working.settings.gateway = FormatDottedAddress(gateway);
      read.addressAnswered = true;
    } else {
      read.addressShort = true;
    }
  }
  if (exchange.Ask(request.Read(SelectorMode), answer)) {
    bool dhcp = false;
    if (ParseModeAnswer(answer.data(), answer.size(), dhcp)) {
      working.settings.dhcp = dhcp;
      read.modeAnswered = true;
    } else {
      read.modeShort = true;
    }
  }

  if (!edit(read, working)) return ChangeOutcome::Cancelled;

  const RemoteSettings& s = working.settings;
  exchange.KeepOneWay();
  // Each write is followed by one wait for its answer, which is not looked at.
  exchange.Ask(request.WriteName(s.netName), answer);
  if (read.addressAnswered || working.addressSet)
    exchange.Ask(request.WriteAddress(s.ipAddress, s.subnetMask, s.gateway), answer);
  if (read.modeAnswered || working.modeSet) exchange.Ask(request.WriteMode(s.dhcp), answer);
  exchange.Ask(request.WriteClose(), answer);
  ++sequence_;
  return ChangeOutcome::Sent;
}

}  // namespace varnalux::net
