// varnalux-vprinter: the virtual label printer as a program.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "sim/virtual_printer.h"
#include "varnalux_version.h"

using varnalux::sim::Fault;
using varnalux::sim::PrinterOptions;
using varnalux::sim::VirtualPrinter;

namespace {

const char kUsage[] =
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
    "                       drop-mid, drop-on-receive\n"
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
    "  --help               this text\n"
    "  --version            print the version and exit\n"
    "\n"
    "On start it prints, one a line: \"listening ADDR:PORT\", \"pty SLAVEPATH\",\n"
    "\"link LINKPATH\", \"control ADDR:PORT\", \"udp ADDR:PORT\", then \"ready\".\n"
    "SIGINT or SIGTERM ends it; SIGUSR1 prints the counters and the status,\n"
    "SIGUSR2 forgets the received bytes and commands.\n"
    "\n"
    "Lengths: millimetres become dots at a whole number of dots per mm (8 at\n"
    "203 dpi, 12 at 300, 24 at 600), inches at the dpi.\n"
    "A dump (DUMP_TEXT PRINT, / DUMP_TEXT SAVE n,[E,]\"name\",) belongs to the\n"
    "printer: it survives the connection that started it and keeps the bytes of\n"
    "every later connection until n bytes are kept, until a line LOAD \"name\"\n"
    "arrives (not kept; it is then run, so the saved dump can come back at once),\n"
    "or until the control command enddump. ESC ! ? is still answered meanwhile.\n"
    "\n";

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

int Fail(const std::string& why) {
  fprintf(stderr, "varnalux-vprinter: %s\n", why.c_str());
  return 2;
}

// Answers control commands read from standard input; false at its end.
bool ReadStdin(VirtualPrinter& printer, std::string& pending) {
  char buffer[1024];
  ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n <= 0) return false;
  pending.append(buffer, static_cast<size_t>(n));
  size_t eol;
  while ((eol = pending.find('\n')) != std::string::npos) {
    std::string reply = printer.Control(pending.substr(0, eol));
    pending.erase(0, eol + 1);
    fputs(reply.c_str(), stdout);
    fflush(stdout);
  }
  if (pending.size() > 8192) pending.clear();
  return true;
}

// What the command line asks for.
struct Settings {
  PrinterOptions options;
  std::string listen = "127.0.0.1:9100";
  bool tcp = true;
  bool pty = false;
  std::string linkPath;
  std::string control;
  std::string record;
  bool useStdin = false;
  Fault fault = Fault::None;
  std::vector<std::pair<std::string, std::string>> answers;
  std::vector<std::string> forgotten;
  std::vector<std::string> full;
  std::string udp;
  varnalux::sim::UdpServeOptions udpOptions;
  std::string mac;
  std::string netName;
  bool netNameGiven = false;
  std::string fixedIp;
  bool done = false;  // --help or --version answered: nothing to serve
};

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
using OptionHandler = std::string (*)(Words&, Settings&);

struct Option {
  const char* name;
  OptionHandler handle;
};

std::string Help(Words&, Settings& s) {
  fputs(kUsage, stdout);
  fputs(VirtualPrinter::ControlHelp(), stdout);
  s.done = true;
  return {};
}

std::string Version(Words&, Settings& s) {
  printf("varnalux-vprinter %s\n", VARNALUX_VERSION);
  s.done = true;
  return {};
}

std::string Pty(Words& w, Settings& s) {
  s.pty = true;
  if (w.i + 1 < w.argc && w.argv[w.i + 1][0] != '-') s.linkPath = w.argv[++w.i];
  return {};
}

std::string Dpi(Words& w, Settings& s) {
  std::string v;
  if (!w.Value(v)) return "--dpi needs a number";
  s.options.dpi = atoi(v.c_str());
  if (s.options.dpi != 203 && s.options.dpi != 300 && s.options.dpi != 600)
    return "--dpi takes 203, 300 or 600";
  return {};
}

std::string Status(Words& w, Settings& s) {
  std::string v;
  if (!w.Value(v)) return "--status needs a byte";
  char* end = nullptr;
  long byte = strtol(v.c_str(), &end, 0);
  if (v.empty() || *end != '\0' || byte < 0 || byte > 255) return "bad --status " + v;
  s.options.statusByte = static_cast<uint8_t>(byte);
  return {};
}

std::string Full(Words& w, Settings& s) {
  std::string v;
  if (!w.Value(v)) return "--full needs dram, flash or card";
  if (v != "dram" && v != "flash" && v != "card") return "bad --full " + v;
  s.full.push_back(v);
  return {};
}

std::string Answer(Words& w, Settings& s) {
  std::string v;
  size_t eq = std::string::npos;
  if (!w.Value(v) || (eq = v.find('=')) == 0 || eq == std::string::npos)
    return "--answer needs KEY=VALUE";
  s.answers.emplace_back(v.substr(0, eq), v.substr(eq + 1));
  return {};
}

std::string Forget(Words& w, Settings& s) {
  std::string v;
  if (!w.Value(v) || v.empty()) return "--forget needs a KEY";
  s.forgotten.push_back(v);
  return {};
}

std::string FaultOption(Words& w, Settings& s) {
  std::string v;
  if (!w.Value(v) || !varnalux::sim::FaultFromName(v, s.fault)) return "bad --fault";
  return {};
}

std::string Mac(Words& w, Settings& s) {
  uint8_t bytes[6];
  if (!w.Value(s.mac) || !varnalux::sim::MacFromText(s.mac, bytes))
    return "--mac needs six hexadecimal pairs joined by colons";
  return {};
}

std::string NetName(Words& w, Settings& s) {
  if (!w.Value(s.netName) || s.netName.size() > 63)
    return "--net-name needs a name of up to 63 characters";
  s.netNameGiven = true;
  return {};
}

std::string Ip(Words& w, Settings& s) {
  unsigned parts[4];
  char tail;
  if (!w.Value(s.fixedIp) ||
      sscanf(s.fixedIp.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
             &tail) != 4 ||
      parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255)
    return "--ip needs a dotted IPv4 address";
  return {};
}

const Option kOptions[] = {
    {"--help", Help},
    {"-h", Help},
    {"--version", Version},
    {"--listen",
     [](Words& w, Settings& s) -> std::string {
       return w.Value(s.listen) ? "" : "--listen needs ADDR:PORT";
     }},
    {"--no-tcp",
     [](Words&, Settings& s) {
       s.tcp = false;
       return std::string();
     }},
    {"--pty", Pty},
    {"--dpi", Dpi},
    {"--status", Status},
    {"--old-no-reprint",
     [](Words&, Settings& s) {
       s.options.knowsReprint = false;
       return std::string();
     }},
    {"--old-no-shiftx",
     [](Words&, Settings& s) {
       s.options.knowsShiftX = false;
       return std::string();
     }},
    {"--no-card",
     [](Words&, Settings& s) {
       s.options.hasCard = false;
       return std::string();
     }},
    {"--full", Full},
    {"--answer", Answer},
    {"--forget", Forget},
    {"--fault", FaultOption},
    {"--record",
     [](Words& w, Settings& s) -> std::string {
       return w.Value(s.record) ? "" : "--record needs a file";
     }},
    {"--control",
     [](Words& w, Settings& s) -> std::string {
       return w.Value(s.control) ? "" : "--control needs ADDR:PORT";
     }},
    {"--udp",
     [](Words& w, Settings& s) -> std::string {
       return w.Value(s.udp) ? "" : "--udp needs ADDR:PORT";
     }},
    {"--udp-multicast",
     [](Words& w, Settings& s) -> std::string {
       return w.Value(s.udpOptions.multicastInterface) ? "" : "--udp-multicast needs an interface";
     }},
    {"--mac", Mac},
    {"--net-name", NetName},
    {"--ip", Ip},
    {"--model",
     [](Words& w, Settings& s) -> std::string {
       return w.Value(s.udpOptions.model) ? "" : "--model needs a name";
     }},
    {"--stdin",
     [](Words&, Settings& s) {
       s.useStdin = true;
       return std::string();
     }},
};

// Reads the command line into settings; an error message, or empty.
std::string ParseCommandLine(int argc, char** argv, Settings& settings) {
  Words words{argc, argv, 1};
  for (; words.i < argc && !settings.done; ++words.i) {
    const std::string a = argv[words.i];
    const Option* option = nullptr;
    for (const Option& o : kOptions)
      if (a == o.name) option = &o;
    if (option == nullptr) return "unknown option " + a + " (try --help)";
    if (std::string error = option->handle(words, settings); !error.empty()) return error;
  }
  return {};
}

// The printer's state as the command line sets it; an error message, or empty.
std::string Configure(VirtualPrinter& printer, const Settings& s) {
  printer.SetFault(s.fault);
  for (const auto& [key, answer] : s.answers) printer.OverrideReport(key, answer);
  for (const std::string& key : s.forgotten) printer.ForgetReport(key);
  for (const std::string& device : s.full) printer.Control("fill " + device);
  if (!s.record.empty() && !printer.SetRecordFile(s.record)) return "cannot open " + s.record;
  if (s.mac.empty() && !s.netNameGiven && s.fixedIp.empty()) return {};
  varnalux::sim::NetworkSettings net = printer.Network();
  if (!s.mac.empty()) net.macAddress = s.mac;
  if (s.netNameGiven) net.netName = s.netName;
  if (!s.fixedIp.empty()) {
    net.dhcp = false;
    net.ipAddress = s.fixedIp;
    net.lastUsedIp = s.fixedIp;
  }
  printer.SetNetwork(net);
  return {};
}

// Opens the asked-for ways in, each announced by a line; an error message,
// or empty.
std::string StartServing(VirtualPrinter& printer, Settings& s) {
  if (!s.udp.empty()) {
    if (!SplitAddress(s.udp, s.udpOptions.address, s.udpOptions.port)) return "bad --udp " + s.udp;
    if (!printer.StartUdp(s.udpOptions)) return "cannot serve UDP on " + s.udp;
    printf("udp %s:%u\n", s.udpOptions.address.c_str(), printer.UdpPort());
  }
  std::string address;
  uint16_t port = 0;
  if (s.tcp) {
    if (!SplitAddress(s.listen, address, port)) return "bad --listen " + s.listen;
    if (!printer.StartTcp(address, port)) return "cannot listen on " + s.listen;
    printf("listening %s:%u\n", address.c_str(), printer.TcpPort());
  }
  if (s.pty) {
    std::string slave = printer.StartPty(s.linkPath);
    if (slave.empty()) return "cannot open a pseudo-terminal";
    printf("pty %s\n", slave.c_str());
    if (!s.linkPath.empty()) printf("link %s\n", s.linkPath.c_str());
  }
  if (!s.control.empty()) {
    if (!SplitAddress(s.control, address, port)) return "bad --control " + s.control;
    if (!printer.StartControl(address, port)) return "cannot listen on " + s.control;
    printf("control %s:%u\n", address.c_str(), printer.ControlPort());
  }
  return {};
}

// Serves until SIGINT or SIGTERM, answering the other signals and the
// control commands on standard input meanwhile.
void WaitForEnd(VirtualPrinter& printer, int sigfd, bool useStdin) {
  std::string pending;
  bool stdinOpen = useStdin;
  for (;;) {
    pollfd p[2] = {{sigfd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    if (poll(p, 2, -1) < 0) continue;
    if ((p[1].revents & (POLLIN | POLLHUP)) != 0) stdinOpen = ReadStdin(printer, pending);
    if ((p[0].revents & POLLIN) == 0) continue;
    signalfd_siginfo info{};
    if (read(sigfd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
    if (info.ssi_signo == SIGUSR1) {
      fputs(printer.Control("status").c_str(), stdout);
      fputs(printer.Control("counters").c_str(), stdout);
      fflush(stdout);
    } else if (info.ssi_signo == SIGUSR2) {
      printer.Control("clear");
    } else {
      return;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (std::string error = ParseCommandLine(argc, argv, settings); !error.empty())
    return Fail(error);
  if (settings.done) return 0;

  // The serving threads inherit the blocked signals; they arrive on the
  // signal descriptor below.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int sigfd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (sigfd < 0) return Fail("no signal descriptor");

  VirtualPrinter printer(settings.options);
  if (std::string error = Configure(printer, settings); !error.empty()) return Fail(error);
  if (std::string error = StartServing(printer, settings); !error.empty()) return Fail(error);
  printf("ready\n");
  fflush(stdout);

  WaitForEnd(printer, sigfd, settings.useStdin);
  printer.Stop();
  close(sigfd);
  return 0;
}
