#include "net/remote_actions.h"

#include <utility>

#include "net/dotted_address.h"

namespace varnalux::net {

RemoteSession::RemoteSession(UdpOptions options) : options_(std::move(options)) {}

bool RemoteSession::Discover(std::vector<PrinterRow>& rows) {
  UdpChannel channel(options_);
  if (!channel.IsOpen()) return false;
  const std::vector<uint8_t> request = BuildDiscoveryRequest(sequence_);
  auto take = [&rows](const std::vector<uint8_t>& answer) {
    AddPrinterRow(rows, answer.data(), answer.size());
    return rows.size() < DiscoveryRowsMax;
  };
  for (Route route : {Route::Broadcast, Route::Multicast}) {
    channel.Send(request, route);
    if (rows.size() < DiscoveryRowsMax) channel.Collect(options_.silence, take);
  }
  ++sequence_;
  return true;
}

bool RemoteSession::FactoryDefault(const Mac& mac, bool& sent) {
  sent = false;
  UdpChannel channel(options_);
  if (!channel.IsOpen()) return false;
  sent = channel.Send(BuildFactoryDefaultRequest(sequence_, mac), Route::Broadcast);
  ++sequence_;
  return true;
}

ChangeOutcome RemoteSession::ChangeSettings(const Mac& mac, const RemoteSettings& assumed,
                                            const Editor& edit) {
  UdpChannel channel(options_);
  if (!channel.IsOpen()) return ChangeOutcome::NoSocket;
  SettingRequest request(sequence_, mac);
  SettingsEdit working{assumed, false, false};
  SettingsRead read;
  std::vector<uint8_t> answer;

  channel.Send(request.Read(SelectorAddress), Route::Broadcast);
  if (channel.Receive(answer, options_.answerWait) && answer.size() >= HeaderSize) {
    Address ip, mask, gateway;
    ParseAddressAnswer(answer.data(), answer.size(), ip, mask, gateway);
    working.settings.ipAddress = FormatDottedAddress(ip);
    working.settings.subnetMask = FormatDottedAddress(mask);
    working.settings.gateway = FormatDottedAddress(gateway);
    read.addressAnswered = true;
  }
  channel.Send(request.Read(SelectorMode), Route::Broadcast);
  if (channel.Receive(answer, options_.answerWait) && answer.size() >= HeaderSize) {
    working.settings.dhcp = ParseModeAnswerDhcp(answer.data(), answer.size());
    read.modeAnswered = true;
  }

  if (!edit(read, working)) return ChangeOutcome::Cancelled;

  const RemoteSettings& s = working.settings;
  // Each write is followed by one wait; its answer is not looked at.
  auto send = [&](const std::vector<uint8_t>& datagram) {
    channel.Send(datagram, Route::Broadcast);
    channel.Receive(answer, options_.answerWait);
  };
  send(request.WriteName(s.netName));
  if (read.addressAnswered || working.addressSet)
    send(request.WriteAddress(s.ipAddress, s.subnetMask, s.gateway));
  if (read.modeAnswered || working.modeSet) send(request.WriteMode(s.dhcp));
  send(request.WriteClose());
  ++sequence_;
  return ChangeOutcome::Sent;
}

}  // namespace varnalux::net
