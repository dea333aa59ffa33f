// discover, remote-reset and remote-set: the discovery window's actions by
// UDP, without the link. Each command is one opening of that window: its
// first request carries sequence number 1.
#include <cstdio>
#include <iterator>
#include <set>
#include <utility>

#include "app/cli/cli_commands.h"
#include "app/cli/printer_list.h"
#include "base/atomic_file.h"
#include "base/printable_text.h"
#include "net/dotted_address.h"
#include "net/remote_actions.h"

namespace varnalux {

namespace {

const char DiscoverUsage[] = "discover [--json] [--save-printers FILE]";
const char ResetUsage[] = "remote-reset MAC";
const char SetUsage[] = "remote-set MAC [--dhcp | --static IP MASK GATEWAY] [--name NAME]";
constexpr size_t NameMax = 63;

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

// The rows as a JSON array (fields name, mac, ip, model, status), one row a
// line; texts from the network go through the program's one JSON string
// writer, so valid UTF-8 stays readable and any other bytes give valid JSON.
std::string RowsToJson(const std::vector<net::PrinterRow>& rows) {
  std::string out = "[";
  for (size_t i = 0; i < rows.size(); ++i) {
    const net::PrinterRow& r = rows[i];
    out += i == 0 ? "\n  {" : ",\n  {";
    const std::pair<const char*, const std::string*> fields[] = {{"name", &r.name},
                                                                 {"mac", &r.mac},
                                                                 {"ip", &r.ip},
                                                                 {"model", &r.model},
                                                                 {"status", &r.status}};
    for (size_t f = 0; f < std::size(fields); ++f) {
      if (f > 0) out += ", ";
      out += JsonString(fields[f].first) + ": " + JsonString(*fields[f].second);
    }
    out += '}';
  }
  out += rows.empty() ? "]\n" : "\n]\n";
  return out;
}

// Tab-separated, one printer a line; texts from the network cannot add a
// column or a line, nor reach the terminal as control characters.
std::string RowsToLines(const std::vector<net::PrinterRow>& rows) {
  std::string out;
  for (const net::PrinterRow& r : rows)
    out += PlainText(r.name) + '\t' + r.mac + '\t' + r.ip + '\t' + PlainText(r.model) + '\t' +
           r.status + '\n';
  return out;
}

// A discovery, and the ways the printer with this MAC answered it (empty,
// with a message, when it did not). False when no socket could be had.
bool FindPrinter(net::RemoteSession& session, const net::Mac& mac, std::string& name,
                 std::vector<net::AnswerPath>& ways) {
  std::vector<net::PrinterRow> rows;
  if (!session.Discover(rows)) return false;
  const std::string macText = net::FormatMacText(mac);
  ways = net::PathsOf(rows, macText);
  for (const net::PrinterRow& r : rows)
    if (r.mac == macText) {
      name = r.name;
      break;
    }
  if (ways.empty())
    fprintf(stderr, "varnalux-cli: no printer with MAC %s answered\n", macText.c_str());
  return true;
}

// What remote-set was asked to change.
struct RemoteSetArgs {
  bool dhcp = false, isStatic = false, nameGiven = false;
  std::string ip, mask, gateway, name;
};

// Reads the words of remote-set: 0, or the exit code when they are unusable.
int ParseRemoteSetArgs(const CliArgs& args, net::Mac& mac, RemoteSetArgs& set) {
  if (args.empty() || !net::ParseMacText(args[0], mac)) return UsageError(SetUsage);
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--dhcp" && !set.dhcp) {
      set.dhcp = true;
    } else if (args[i] == "--static" && !set.isStatic && i + 3 < args.size()) {
      set.isStatic = true;
      set.ip = args[++i];
      set.mask = args[++i];
      set.gateway = args[++i];
      if (!StrictAddress(set.ip) || !StrictAddress(set.mask) || !StrictAddress(set.gateway)) {
        fprintf(stderr, "varnalux-cli: addresses are four numbers of 0 to 255 joined by dots\n");
        return ExitUsage;
      }
    } else if (args[i] == "--name" && !set.nameGiven && i + 1 < args.size()) {
      set.nameGiven = true;
      set.name = args[++i];
      if (set.name.size() > NameMax) {
        fprintf(stderr, "varnalux-cli: a printer name has at most 63 characters\n");
        return ExitUsage;
      }
    } else {
      return UsageError(SetUsage);
    }
  }
  if (set.dhcp && set.isStatic) return UsageError(SetUsage);
  return 0;
}

// The change to write once the printer answered the reads; false (nothing
// written) when it answered neither.
bool EditAfterReads(const RemoteSetArgs& set, const net::SettingsRead& read,
                    net::SettingsEdit& edit) {
  if (read.addressShort)
    fprintf(stderr,
            "varnalux-cli: the printer's answer to the address read is too short to hold "
            "the addresses: they count as not read\n");
  if (read.modeShort)
    fprintf(stderr,
            "varnalux-cli: the printer's answer to the address-mode read is too short to "
            "hold the mode: it counts as not read\n");
  // Nothing is written to a printer that did not answer the reads.
  if (!read.addressAnswered && !read.modeAnswered) return false;
  if (set.dhcp) {
    edit.settings.dhcp = true;
    edit.modeSet = true;
  } else if (set.isStatic) {
    edit.settings.dhcp = false;
    edit.settings.ipAddress = set.ip;
    edit.settings.subnetMask = set.mask;
    edit.settings.gateway = set.gateway;
    edit.addressSet = true;
    edit.modeSet = true;
  }
  return true;
}

// The answers as a printer list: one line a printer (a printer that
// answered through two interfaces once), named by the name it gave, made
// safe for file names and unique.
std::string RowsToList(const std::vector<net::PrinterRow>& rows) {
  std::string text = "# Printers that answered a discovery: NAME LINK\n";
  std::set<std::string> names, macs;
  for (const net::PrinterRow& r : rows) {
    if (!StrictAddress(r.ip) || r.ip == "0.0.0.0") {
      fprintf(stderr, "varnalux-cli: %s gave no usable address (%s): not listed\n",
              PlainText(r.name).c_str(), PlainText(r.ip).c_str());
      continue;
    }
    if (!macs.insert(r.mac).second) continue;
    const std::string name = UniqueListName(ListNameFrom(r.name), names);
    names.insert(name);
    text += name + " tcp:" + r.ip + "\n";
  }
  return text;
}

// What discover was asked: --json, --save-printers FILE.
bool ParseDiscoverArgs(const CliArgs& args, bool& json, std::string& listPath) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json")
      json = true;
    else if (args[i] == "--save-printers" && i + 1 < args.size() && !args[i + 1].empty())
      listPath = args[++i];
    else
      return false;
  }
  return true;
}

}  // namespace

int CmdDiscover(CliLink&, const CliArgs& args) {
  bool json = false;
  std::string listPath;
  if (!ParseDiscoverArgs(args, json, listPath)) return UsageError(DiscoverUsage);
  net::UdpOptions options;
  if (!Options(options)) return ReportCliResult(ResultPortOpenError);
  net::RemoteSession session(options);
  std::vector<net::PrinterRow> rows;
  if (!session.Discover(rows)) return ReportCliResult(ResultPortOpenError);
  fputs((json ? RowsToJson(rows) : RowsToLines(rows)).c_str(), stdout);
  if (listPath.empty()) return 0;
  const std::string list = RowsToList(rows);
  if (!SaveFileAtomically(listPath, list.data(), list.size())) {
    fprintf(stderr, "varnalux-cli: cannot write %s\n", listPath.c_str());
    return ReportCliResult(ResultFileOpenError);
  }
  return 0;
}

int CmdRemoteReset(CliLink&, const CliArgs& args) {
  net::Mac mac;
  if (args.size() != 1 || !net::ParseMacText(args[0], mac)) return UsageError(ResetUsage);
  net::UdpOptions options;
  if (!Options(options)) return ReportCliResult(ResultPortOpenError);
  net::RemoteSession session(options);
  // The reset goes only the one way the printer answered a discovery, so a
  // printer reachable through two interfaces of this machine gets it once.
  std::string name;
  std::vector<net::AnswerPath> ways;
  if (!FindPrinter(session, mac, name, ways)) return ReportCliResult(ResultPortOpenError);
  if (ways.empty()) return ReportCliResult(ResultReceiveError);
  bool sent = false;
  if (!session.FactoryDefault(mac, sent, ways)) return ReportCliResult(ResultPortOpenError);
  if (!sent) return ReportCliResult(ResultTransmitError);
  return 0;
}

int CmdRemoteSet(CliLink&, const CliArgs& args) {
  net::Mac mac;
  RemoteSetArgs set;
  if (const int code = ParseRemoteSetArgs(args, mac, set); code != 0) return code;
  net::UdpOptions options;
  if (!Options(options)) return ReportCliResult(ResultPortOpenError);
  net::RemoteSession session(options);

  // The name goes out with every change, as the window sends it: without
  // --name it is the name the printer gave when discovered, so a change of
  // address never wipes it. That discovery also tells which interfaces
  // reach the printer. With --name there is none: the reads go out of every
  // interface, and the interface whose answer to the first read came first
  // carries the rest of the change (each write once).
  net::RemoteSettings assumed;
  std::vector<net::AnswerPath> ways;
  if (set.nameGiven) {
    assumed.netName = set.name;
  } else {
    std::string found;
    if (!FindPrinter(session, mac, found, ways)) return ReportCliResult(ResultPortOpenError);
    if (ways.empty()) return ReportCliResult(ResultReceiveError);
    assumed.netName = found.substr(0, NameMax);
  }

  bool answered = false;
  const net::ChangeOutcome outcome = session.ChangeSettings(
      mac, assumed,
      [&](const net::SettingsRead& read, net::SettingsEdit& edit) {
        answered = EditAfterReads(set, read, edit);
        return answered;
      },
      ways);
  if (outcome == net::ChangeOutcome::NoSocket) return ReportCliResult(ResultPortOpenError);
  if (!answered) {
    fprintf(stderr, "varnalux-cli: the printer did not answer the setting reads\n");
    return ReportCliResult(ResultReceiveError);
  }
  return 0;
}

}  // namespace varnalux
