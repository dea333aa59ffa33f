#include "protocol/network_setup.h"

#include <cstring>
#include <string_view>

#include "link/link_session.h"
#include "protocol/report_exchange.h"

namespace varnalux {

namespace {

// A field read no further than its size, whether or not it holds a NUL.
std::string_view FieldText(const char (&field)[NetTextSize]) {
  return std::string_view(field, strnlen(field, NetTextSize));
}

// Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a
// string literal placed in front of a std::string.
std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

ResultCode WriteCommand(InterfaceKind kind, const std::string& text) {
  if (text.empty()) return ResultUnsendableNetText;
  return WriteOnce(kind, text.data(), static_cast<uint32_t>(text.size()));
}

}  // namespace

std::string NetAddressCommand(const NetworkSettings& settings) {
  if (settings.dhcp == 1) return "NET DHCP\r\n";
  const std::string_view ip = FieldText(settings.ipAddress);
  const std::string_view mask = FieldText(settings.subnetMask);
  const std::string_view gateway = FieldText(settings.gateway);
  if (!NetTextSendable(ip) || !NetTextSendable(mask) || !NetTextSendable(gateway)) return {};
  return "NET IP " + Quoted(ip) + "," + Quoted(mask) + "," + Quoted(gateway) + "\r\n";
}

std::string NetNameCommand(const NetworkSettings& settings) {
  const std::string_view name = FieldText(settings.netName);
  if (!NetTextSendable(name)) return {};
  return "NET NAME " + Quoted(name) + "\r\n";
}

ResultCode SetNetAddress(InterfaceKind kind, const NetworkSettings& settings) {
  return WriteCommand(kind, NetAddressCommand(settings));
}

ResultCode SetNetName(InterfaceKind kind, const NetworkSettings& settings) {
  return WriteCommand(kind, NetNameCommand(settings));
}

ResultCode ReadNetConfig(InterfaceKind kind, NetworkSettings& settings) {
  if (kind == KindLpt) return ResultReceiveError;
  const char* announcement = InterfaceAnnouncement(kind);
  if (announcement == nullptr) return ResultPortOpenError;  // no such link
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;

  char payload[ReportBodyMax + 1];
  uint32_t length = 0;
  auto query = [&](const char* line) {
    return QueryReport(link, line, payload, sizeof payload, length);
  };
  auto text = [&]() { return std::string_view(payload, length); };

  ResultCode code = query(announcement);
  if (code != ResultOk) return link.Finish(code);

  code = query("DIAGNOSTIC REPORT CONFIGIP\r\n");
  if (code != ResultOk) return link.Finish(code);
  StoreNetText(settings.ipAddress, text());
  settings.dhcp = text() == "0.0.0.0" ? 1 : 0;

  struct Address {
    const char* line;
    char (&field)[NetTextSize];
  };
  const Address addresses[3] = {
      {"DIAGNOSTIC REPORT GATEWAY\r\n", settings.gateway},
      {"DIAGNOSTIC REPORT IPMASK\r\n", settings.subnetMask},
      {"DIAGNOSTIC REPORT LASTUSEDIP\r\n", settings.lastUsedIp},
  };
  for (const Address& a : addresses) {
    code = query(a.line);
    if (code != ResultOk) return link.Finish(code);
    StoreNetText(a.field, text());
  }

  // Printers without a name or MAC report still give a usable result.
  if (query("DIAGNOSTIC REPORT NETNAME\r\n") != ResultOk) {
    StoreNetText(settings.netName, "");
    StoreNetText(settings.macAddress, "");
    return link.Finish(ResultOk);
  }
  StoreNetText(settings.netName, text());
  if (query("DIAGNOSTIC REPORT MACADDR\r\n") != ResultOk)
    StoreNetText(settings.macAddress, "");
  else
    StoreNetText(settings.macAddress, text());
  return link.Finish(ResultOk);
}

}  // namespace varnalux
