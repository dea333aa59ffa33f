// net get | set-dhcp | set-ip | set-name: the printer's own network
// settings through the selected link, as the "Ethernet Setup" button reads
// and sends them.
#include <cstdio>
#include <string>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_output.h"
#include "operations/dispatcher.h"
#include "protocol/network_setup.h"
#include "protocol/network_text.h"

namespace varnalux {

namespace {

constexpr const char* NetUsage =
    "net get [--json] | net set-dhcp | net set-ip IP MASK GATEWAY | net set-name NAME";

// The longest name the printer keeps, as the dialog allows it.
constexpr size_t NetNameMax = 15;

// A text that cannot go between the quotes of a NET command, or would be
// cut in the record, is refused before anything is sent.
bool Acceptable(const std::string& text, size_t max) {
  if (!NetTextSendable(text)) {
    fprintf(CliErr(),
            "varnalux-cli: '%s' cannot be sent to the printer: use printable ASCII characters "
            "without double quotes\n",
            text.c_str());
    return false;
  }
  if (text.size() > max) {
    fprintf(CliErr(), "varnalux-cli: '%s' is longer than %zu characters\n", text.c_str(), max);
    return false;
  }
  return true;
}

int NetGet(CliLink& link, const CliArgs& args) {
  bool json = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] != "--json") return UsageError(NetUsage);
    json = true;
  }
  NetworkSettings settings;
  InitNetworkSettings(settings);
  ResultCode code = RunOperation(OpReadNetConfig, link.kind, &settings, 0);
  if (code != ResultOk) return ReportCliResult(code);
  const std::string text = json ? NetSettingsAsJson(settings) : NetSettingsAsText(settings);
  fputs(text.c_str(), CliOut());
  return 0;
}

}  // namespace

int CmdNet(CliLink& link, const CliArgs& args) {
  if (args.empty()) return UsageError(NetUsage);
  const std::string& action = args[0];
  if (action == "get") return NetGet(link, args);

  NetworkSettings settings;
  InitNetworkSettings(settings);
  if (action == "set-dhcp" && args.size() == 1) {
    settings.dhcp = 1;
    return ReportCliResult(RunOperation(OpSetNetAddress, link.kind, &settings, 0));
  }
  if (action == "set-ip" && args.size() == 4) {
    for (size_t i = 1; i < 4; ++i)
      if (!Acceptable(args[i], NetTextSize - 1)) return UsageError(NetUsage);
    settings.dhcp = 0;
    StoreNetText(settings.ipAddress, args[1]);
    StoreNetText(settings.subnetMask, args[2]);
    StoreNetText(settings.gateway, args[3]);
    return ReportCliResult(RunOperation(OpSetNetAddress, link.kind, &settings, 0));
  }
  if (action == "set-name" && args.size() == 2) {
    if (!Acceptable(args[1], NetNameMax)) return UsageError(NetUsage);
    StoreNetText(settings.netName, args[1]);
    settings.action = NetActionSetName;
    return ReportCliResult(RunOperation(OpSetNetName, link.kind, &settings, 0));
  }
  return UsageError(NetUsage);
}

}  // namespace varnalux
