// discover, remote-reset and remote-set: the discovery window's actions by
// UDP, without the link. Each command is one opening of that window: its
// first request carries sequence number 1.
#include <cstdio>

#include "app/cli/cli_commands.h"
#include "net/dotted_address.h"
#include "net/remote_actions.h"

namespace varnalux {

namespace {

const char kDiscoverUsage[] = "discover [--json]";
const char kResetUsage[] = "remote-reset MAC";
const char kSetUsage[] = "remote-set MAC [--dhcp | --static IP MASK GATEWAY] [--name NAME]";
constexpr size_t kNameMax = 63;

// The options, or an error message and false when the override is unusable.
bool Options(net::UdpOptions& options) {
  options = net::UdpOptionsFromEnvironment();
  if (options.overrideError.empty()) return true;
  fprintf(stderr, "varnalux-cli: %s\n", options.overrideError.c_str());
  return false;
}

bool StrictAddress(const std::string& text) {
  return net::FormatDottedAddress(net::ParseDottedAddress(text)) == text;
}

}  // namespace

int CmdDiscover(CliLink&, const CliArgs& args) {
  bool json = false;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else
      return UsageError(kDiscoverUsage);
  }
  net::UdpOptions options;
  if (!Options(options)) return ReportCliResult(ResultPortOpenError);
  net::RemoteSession session(options);
  std::vector<net::PrinterRow> rows;
  if (!session.Discover(rows)) return ReportCliResult(ResultPortOpenError);
  if (json) {
    fputs(net::RowsToJson(rows).c_str(), stdout);
    return 0;
  }
  // Tab-separated, one printer a line; texts from the network are printed
  // with their control characters replaced.
  for (const net::PrinterRow& r : rows) {
    std::string line = r.name + '\t' + r.mac + '\t' + r.ip + '\t' + r.model + '\t' + r.status;
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 0x20 && c != '\t') c = '?';
    printf("%s\n", line.c_str());
  }
  return 0;
}

int CmdRemoteReset(CliLink&, const CliArgs& args) {
  net::Mac mac;
  if (args.size() != 1 || !net::ParseMacText(args[0], mac)) return UsageError(kResetUsage);
  net::UdpOptions options;
  if (!Options(options)) return ReportCliResult(ResultPortOpenError);
  net::RemoteSession session(options);
  bool sent = false;
  if (!session.FactoryDefault(mac, sent)) return ReportCliResult(ResultPortOpenError);
  if (!sent) return ReportCliResult(ResultTransmitError);
  return 0;
}

int CmdRemoteSet(CliLink&, const CliArgs& args) {
  net::Mac mac;
  if (args.empty() || !net::ParseMacText(args[0], mac)) return UsageError(kSetUsage);
  bool dhcp = false, isStatic = false, nameGiven = false;
  std::string ip, mask, gateway, name;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--dhcp" && !dhcp) {
      dhcp = true;
    } else if (args[i] == "--static" && !isStatic && i + 3 < args.size()) {
      isStatic = true;
      ip = args[++i];
      mask = args[++i];
      gateway = args[++i];
      if (!StrictAddress(ip) || !StrictAddress(mask) || !StrictAddress(gateway)) {
        fprintf(stderr, "varnalux-cli: addresses are four numbers of 0 to 255 joined by dots\n");
        return ExitUsage;
      }
    } else if (args[i] == "--name" && !nameGiven && i + 1 < args.size()) {
      nameGiven = true;
      name = args[++i];
      if (name.size() > kNameMax) {
        fprintf(stderr, "varnalux-cli: a printer name has at most 63 characters\n");
        return ExitUsage;
      }
    } else {
      return UsageError(kSetUsage);
    }
  }
  if (dhcp && isStatic) return UsageError(kSetUsage);
  net::UdpOptions options;
  if (!Options(options)) return ReportCliResult(ResultPortOpenError);
  net::RemoteSession session(options);

  // The name goes out with every change, as the window sends it: without
  // --name it is the name the printer gave when discovered, so a change of
  // address never wipes it.
  net::RemoteSettings assumed;
  if (nameGiven) {
    assumed.netName = name;
  } else {
    std::vector<net::PrinterRow> rows;
    if (!session.Discover(rows)) return ReportCliResult(ResultPortOpenError);
    const std::string macText = net::FormatMacText(mac);
    bool found = false;
    for (const net::PrinterRow& r : rows)
      if (r.mac == macText) {
        assumed.netName = r.name.substr(0, kNameMax);
        found = true;
        break;
      }
    if (!found) {
      fprintf(stderr, "varnalux-cli: no printer with MAC %s answered\n", macText.c_str());
      return ReportCliResult(ResultReceiveError);
    }
  }

  bool answered = false;
  const net::ChangeOutcome outcome = session.ChangeSettings(
      mac, assumed, [&](const net::SettingsRead& read, net::SettingsEdit& edit) {
        // Nothing is written to a printer that did not answer the reads.
        answered = read.addressAnswered || read.modeAnswered;
        if (!answered) return false;
        if (dhcp) {
          edit.settings.dhcp = true;
          edit.modeSet = true;
        } else if (isStatic) {
          edit.settings.dhcp = false;
          edit.settings.ipAddress = ip;
          edit.settings.subnetMask = mask;
          edit.settings.gateway = gateway;
          edit.addressSet = true;
          edit.modeSet = true;
        }
        return true;
      });
  if (outcome == net::ChangeOutcome::NoSocket) return ReportCliResult(ResultPortOpenError);
  if (!answered) {
    fprintf(stderr, "varnalux-cli: the printer did not answer the setting reads\n");
    return ReportCliResult(ResultReceiveError);
  }
  return 0;
}

}  // namespace varnalux
