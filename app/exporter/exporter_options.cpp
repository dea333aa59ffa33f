#include "app/exporter/exporter_options.h"

#include <cmath>

#include "base/numbers.h"

namespace varnalux {

const char ExporterUsage[] =
    "usage: varnalux-exporter [options]\n"
    "Prometheus exporter for label printers: GET /probe?target=TARGET probes one\n"
    "printer; GET /metrics gives the exporter's own counters.\n"
    "options:\n"
    "  --listen ADDR:PORT       address to serve on (default 127.0.0.1:9377;\n"
    "                           [::1]:PORT for IPv6; port 0 picks a free one)\n"
    "  --concurrency N          at most N probes at once (default 64)\n"
    "  --probe-timeout SECONDS  longest probe (default 8; a Prometheus scrape\n"
    "                           time-out header shortens it)\n"
    "  --queue-wait SECONDS     longest wait for a free probe slot before the\n"
    "                           answer 503 (default 2)\n"
    "  --allow CIDR             printers the exporter may probe; may repeat\n"
    "                           (default: loopback only, 127.0.0.0/8 and ::1)\n"
    "  --allow-local-ports      also allow com: and usb targets\n"
    "  --baseline FILE.dcf      report varnalux_config_drift against this\n"
    "                           configuration file\n"
    "  --help                   this text\n"
    "  --version                print the version\n"
    "targets: tcp://HOST[:PORT], HOST[:PORT], tcp://[IPV6]:PORT, com:PORT with\n"
    "baud= data= parity= stop= hw= sw=, usb\n";

namespace {

bool ParseSeconds(const std::string& text, Seconds low, Seconds high, Seconds& out) {
  double value = 0;
  if (!ParseStrictDecimal(text.c_str(), value) || !std::isfinite(value) || value < low.count() ||
      value > high.count())
    return false;
  out = Seconds(value);
  return true;
}

// One option with its value; false with a reason for a bad value.
bool TakeValued(const std::string& option, const std::string& value, ExporterOptions& o,
                std::string& error) {
  if (option == "--listen") {
    if (ParseListenAddress(value, o.listenHost, o.listenPort)) return true;
    error = "bad --listen address: " + value;
  } else if (option == "--concurrency") {
    int32_t n = 0;
    if (ParseStrictInteger(value.c_str(), n) && n >= 1 && n <= ConcurrencyMax) {
      o.concurrency = n;
      return true;
    }
    error = "--concurrency takes a number from 1 to " + std::to_string(ConcurrencyMax);
  } else if (option == "--probe-timeout") {
    if (ParseSeconds(value, ProbeTimeoutMin, ProbeTimeoutMax, o.probeTimeout)) return true;
    error = "--probe-timeout takes seconds from 0.1 to 300";
  } else if (option == "--queue-wait") {
    if (ParseSeconds(value, Seconds(0), QueueWaitMax, o.queueWait)) return true;
    error = "--queue-wait takes seconds from 0 to 60";
  } else if (option == "--allow") {
    Cidr cidr;
    if (!ParseCidr(value, cidr, error)) return false;
    o.allow.Add(cidr);
    return true;
  } else if (option == "--baseline") {
    if (!value.empty()) {
      o.baselinePath = value;
      return true;
    }
    error = "--baseline needs a file";
  } else {
    error = "unknown option " + option;
  }
  return false;
}

}  // namespace

bool ParseListenAddress(const std::string& text, std::string& host, int& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string name = text.substr(0, colon);
  if (name.front() == '[') {
    if (name.size() < 3 || name.back() != ']') return false;
    name = name.substr(1, name.size() - 2);
  } else if (name.find(':') != std::string::npos) {
    return false;  // an IPv6 address goes in brackets
  }
  int32_t number = 0;
  const std::string digits = text.substr(colon + 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos ||
      !ParseStrictInteger(digits.c_str(), number) || number > 65535)
    return false;
  host = name;
  port = number;
  return true;
}

OptionsOutcome ParseExporterOptions(const std::vector<std::string>& args, ExporterOptions& options,
                                    std::string& error) {
  ExporterOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") return OptionsOutcome::Help;
    if (a == "--version") return OptionsOutcome::Version;
    if (a == "--allow-local-ports") {
      o.allowLocalPorts = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = a.rfind("--", 0) == 0 ? a + " needs a value" : "unexpected argument " + a;
      return OptionsOutcome::Bad;
    }
    if (!TakeValued(a, args[i + 1], o, error)) return OptionsOutcome::Bad;
    ++i;
  }
  if (o.allow.Empty()) o.allow = AllowList::LoopbackOnly();
  options = o;
  return OptionsOutcome::Run;
}

}  // namespace varnalux
