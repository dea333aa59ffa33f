#include "sim/vprinter_options.h"

#include <cstdio>
#include <cstdlib>

#include "sim/fleet_plan.h"
#include "sim/virtual_printer.h"
#include "varnalux_version.h"

namespace varnalux::sim {

bool SplitAddress(const std::string& text, std::string& address, uint16_t& port) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  char* end = nullptr;
  std::string p = text.substr(colon + 1);
  long v = strtol(p.c_str(), &end, 10);
  if (p.empty() || *end != '\0' || v < 0 || v > 65535) return false;
  address = text.substr(0, colon);
  port = static_cast<uint16_t>(v);
  return true;
}

namespace {

const char Usage[] =
    "Usage: varnalux-vprinter [options]\n"
    "A virtual label printer for Varnalux: serves the printer's command language\n"
    "on TCP and, optionally, on a pseudo-terminal.\n"
    "\n"
    "Options:\n"
    "  --listen ADDR:PORT   TCP address (default 127.0.0.1:9100; port 0 picks one)\n"
    "  --no-tcp             no TCP port\n"
    "  --pty [LINKPATH]     also serve a pseudo-terminal; with LINKPATH a symbolic\n"
    "                       link to its slave is made there (removed at exit)\n"
    "  --dpi N              print head resolution: 203 (default), 300 or 600\n"
    "  --status BYTE        status byte answered to ESC ! ? (e.g. 0x40)\n"
    "  --old-no-reprint     behave as an older model without REPRINT\n"
    "  --old-no-shiftx      behave as an older model without SHIFTX/SHIFTXBASE\n"
    "  --no-card            no memory card: the CARD reports go unanswered\n"
    "  --full DEVICE        start with no free space on dram, flash or card;\n"
    "                       may be given several times\n"
    "  --answer KEY=VALUE   answer VALUE to DIAGNOSTIC REPORT KEY (for answers\n"
    "                       outside the tool's tables, e.g. CODEPAGE=866);\n"
    "                       may be given several times\n"
    "  --forget KEY         give no answer to KEY; may be given several times\n"
    "  --fault NAME         start with a fault: none, silent, malformed, split,\n"
    "                       drop-mid, drop-on-receive, reset (a TCP reset\n"
    "                       answers the first byte)\n"
    "  --record FILE        append every received byte to FILE\n"
    "  --control ADDR:PORT  control channel on TCP (see below)\n"
    "  --udp ADDR:PORT      answer the UDP discovery and network-setting protocol\n"
    "                       there (off by default; 0.0.0.0:22368 on a network,\n"
    "                       127.0.0.1:PORT on this machine; port 0 picks one)\n"
    "  --udp-multicast IF   also take requests to 224.0.0.251 on interface IF\n"
    "  --mac MAC            the printer's MAC address (default 00:1B:82:56:50:01)\n"
    "  --net-name NAME      the printer's network name (default VPRINTER)\n"
    "  --ip ADDR            a fixed address the printer reports instead of DHCP\n"
    "                       (127.0.0.1 makes a discovered printer reachable here)\n"
    "  --model NAME         the model name the UDP side reports (default VL-200)\n"
    "  --stdin              read control commands from standard input too\n"
    "  --fleet N            serve N printers (1 to 1000) in this process (see below)\n"
    "  --fleet-list FILE    with --fleet, also write the printers as a printer list\n"
    "                       file, \"NAME tcp:ADDR:PORT\" a line\n"
    "  --fleet-fault FAULT:LIST  with --fleet, start the listed printers (numbers\n"
    "                       and ranges from 1, e.g. 1-5,9) with FAULT; may repeat\n"
    "  --help               this text\n"
    "  --version            print the version and exit\n"
    "\n"
    "On start it prints, one a line: \"listening ADDR:PORT\", \"pty SLAVEPATH\",\n"
    "\"link LINKPATH\", \"control ADDR:PORT\", \"udp ADDR:PORT\", then \"ready\".\n"
    "SIGINT or SIGTERM ends it; SIGUSR1 prints the counters and the status,\n"
    "SIGUSR2 forgets the received bytes and commands.\n"
    "\n"
    "A fleet: printer i (from 1) listens on PORT+i-1 of --listen, and with\n"
    "--control has its control channel on the control PORT+i-1 (port 0: each\n"
    "picks its own). Each has its own state, the name NAME-001, NAME-002, ...\n"
    "(NAME from --net-name) and the MAC address of --mac plus i-1 in its last\n"
    "three bytes; the other options apply to every printer. One UDP socket\n"
    "(--udp) answers for all of them, each printer its own answer. On start it\n"
    "prints \"printer NAME listening ADDR:PORT [control ADDR:PORT]\" for each,\n"
    "then \"udp ADDR:PORT\", then \"ready\". --pty, --no-tcp, --record and --stdin\n"
    "are for a single printer. SIGUSR1 prints each printer's status and counters\n"
    "after a line \"printer NAME\".\n"
    "\n"
    "Lengths: millimetres become dots at a whole number of dots per mm (8 at\n"
    "203 dpi, 12 at 300, 24 at 600), inches at the dpi.\n"
    "A dump (DUMP_TEXT PRINT, / DUMP_TEXT SAVE n,[E,]\"name\",) belongs to the\n"
    "printer: it survives the connection that started it and keeps the bytes of\n"
    "every later connection until n bytes are kept, until a line LOAD \"name\"\n"
    "arrives (not kept; it is then run, so the saved dump can come back at once),\n"
    "or until the control command enddump. ESC ! ? is still answered meanwhile.\n"
    "\n";

// The words of the command line, read one after the other.
struct Words {
  int argc;
  char** argv;
  int i;
  // The word after the current one, taken; false when there is none.
  bool Value(std::string& out) {
    if (i + 1 >= argc) return false;
    out = argv[++i];
    return true;
  }
};

// An option's handler: an error message, or empty when the option is fine.
using OptionHandler = std::string (*)(Words&, VprinterSettings&);

struct Option {
  const char* name;
  OptionHandler handle;
};

std::string Help(Words&, VprinterSettings& s) {
  fputs(Usage, stdout);
  fputs(VirtualPrinter::ControlHelp(), stdout);
  s.done = true;
  return {};
}

std::string Version(Words&, VprinterSettings& s) {
  printf("varnalux-vprinter %s\n", VARNALUX_VERSION);
  s.done = true;
  return {};
}

std::string Pty(Words& w, VprinterSettings& s) {
  s.pty = true;
  if (w.i + 1 < w.argc && w.argv[w.i + 1][0] != '-') s.linkPath = w.argv[++w.i];
  return {};
}

std::string Dpi(Words& w, VprinterSettings& s) {
  std::string v;
  if (!w.Value(v)) return "--dpi needs a number";
  s.options.dpi = atoi(v.c_str());
  if (s.options.dpi != 203 && s.options.dpi != 300 && s.options.dpi != 600)
    return "--dpi takes 203, 300 or 600";
  return {};
}

std::string Status(Words& w, VprinterSettings& s) {
  std::string v;
  if (!w.Value(v)) return "--status needs a byte";
  char* end = nullptr;
  long byte = strtol(v.c_str(), &end, 0);
  if (v.empty() || *end != '\0' || byte < 0 || byte > 255) return "bad --status " + v;
  s.options.statusByte = static_cast<uint8_t>(byte);
  return {};
}

std::string Full(Words& w, VprinterSettings& s) {
  std::string v;
  if (!w.Value(v)) return "--full needs dram, flash or card";
  if (v != "dram" && v != "flash" && v != "card") return "bad --full " + v;
  s.full.push_back(v);
  return {};
}

std::string Answer(Words& w, VprinterSettings& s) {
  std::string v;
  size_t eq = std::string::npos;
  if (!w.Value(v) || (eq = v.find('=')) == 0 || eq == std::string::npos)
    return "--answer needs KEY=VALUE";
  s.answers.emplace_back(v.substr(0, eq), v.substr(eq + 1));
  return {};
}

std::string Forget(Words& w, VprinterSettings& s) {
  std::string v;
  if (!w.Value(v) || v.empty()) return "--forget needs a KEY";
  s.forgotten.push_back(v);
  return {};
}

std::string FaultOption(Words& w, VprinterSettings& s) {
  std::string v;
  if (!w.Value(v) || !FaultFromName(v, s.fault)) return "bad --fault";
  return {};
}

std::string Mac(Words& w, VprinterSettings& s) {
  uint8_t bytes[6];
  if (!w.Value(s.mac) || !MacFromText(s.mac, bytes))
    return "--mac needs six hexadecimal pairs joined by colons";
  return {};
}

std::string NetName(Words& w, VprinterSettings& s) {
  if (!w.Value(s.netName) || s.netName.size() > 63)
    return "--net-name needs a name of up to 63 characters";
  s.netNameGiven = true;
  return {};
}

std::string Ip(Words& w, VprinterSettings& s) {
  unsigned parts[4];
  char tail;
  if (!w.Value(s.fixedIp) ||
      sscanf(s.fixedIp.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
             &tail) != 4 ||
      parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255)
    return "--ip needs a dotted IPv4 address";
  return {};
}

std::string FleetCount(Words& w, VprinterSettings& s) {
  std::string v;
  w.Value(v);
  char* end = nullptr;
  long count = strtol(v.c_str(), &end, 10);
  if (v.empty() || *end != '\0' || count < 1 || count > FleetMax)
    return "--fleet takes a number of printers from 1 to " + std::to_string(FleetMax);
  s.fleet = static_cast<int>(count);
  return {};
}

const Option Options[] = {
    {"--help", Help},
    {"-h", Help},
    {"--version", Version},
    {"--listen",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.listen) ? "" : "--listen needs ADDR:PORT";
     }},
    {"--no-tcp",
     [](Words&, VprinterSettings& s) {
       s.tcp = false;
       return std::string();
     }},
    {"--pty", Pty},
    {"--dpi", Dpi},
    {"--status", Status},
    {"--old-no-reprint",
     [](Words&, VprinterSettings& s) {
       s.options.knowsReprint = false;
       return std::string();
     }},
    {"--old-no-shiftx",
     [](Words&, VprinterSettings& s) {
       s.options.knowsShiftX = false;
       return std::string();
     }},
    {"--no-card",
     [](Words&, VprinterSettings& s) {
       s.options.hasCard = false;
       return std::string();
     }},
    {"--full", Full},
    {"--answer", Answer},
    {"--forget", Forget},
    {"--fault", FaultOption},
    {"--record",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.record) ? "" : "--record needs a file";
     }},
    {"--control",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.control) ? "" : "--control needs ADDR:PORT";
     }},
    {"--udp",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.udp) ? "" : "--udp needs ADDR:PORT";
     }},
    {"--udp-multicast",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.udpOptions.multicastInterface) ? "" : "--udp-multicast needs an interface";
     }},
    {"--mac", Mac},
    {"--net-name", NetName},
    {"--ip", Ip},
    {"--model",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.udpOptions.model) ? "" : "--model needs a name";
     }},
    {"--fleet", FleetCount},
    {"--fleet-list",
     [](Words& w, VprinterSettings& s) -> std::string {
       return w.Value(s.fleetList) && !s.fleetList.empty() ? "" : "--fleet-list needs a file";
     }},
    {"--fleet-fault",
     [](Words& w, VprinterSettings& s) -> std::string {
       std::string v;
       if (!w.Value(v)) return "--fleet-fault needs FAULT:LIST";
       s.fleetFaults.push_back(v);
       return {};
     }},
    {"--stdin",
     [](Words&, VprinterSettings& s) {
       s.useStdin = true;
       return std::string();
     }},
};

}  // namespace

std::string ParseCommandLine(int argc, char** argv, VprinterSettings& settings) {
  Words words{argc, argv, 1};
  for (; words.i < argc && !settings.done; ++words.i) {
    const std::string a = argv[words.i];
    const Option* option = nullptr;
    for (const Option& o : Options)
      if (a == o.name) option = &o;
    if (option == nullptr) return "unknown option " + a + " (try --help)";
    if (std::string error = option->handle(words, settings); !error.empty()) return error;
  }
  return {};
}

}  // namespace varnalux::sim
