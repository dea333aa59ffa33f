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

}  // namespace

int main(int argc, char** argv) {
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

  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      fputs(kUsage, stdout);
      fputs(VirtualPrinter::ControlHelp(), stdout);
      return 0;
    } else if (a == "--version") {
      printf("varnalux-vprinter %s\n", VARNALUX_VERSION);
      return 0;
    } else if (a == "--listen") {
      if (!value(listen)) return Fail("--listen needs ADDR:PORT");
    } else if (a == "--no-tcp") {
      tcp = false;
    } else if (a == "--pty") {
      pty = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') linkPath = argv[++i];
    } else if (a == "--dpi") {
      if (!value(v)) return Fail("--dpi needs a number");
      options.dpi = atoi(v.c_str());
      if (options.dpi != 203 && options.dpi != 300 && options.dpi != 600)
        return Fail("--dpi takes 203, 300 or 600");
    } else if (a == "--status") {
      if (!value(v)) return Fail("--status needs a byte");
      char* end = nullptr;
      long s = strtol(v.c_str(), &end, 0);
      if (v.empty() || *end != '\0' || s < 0 || s > 255) return Fail("bad --status " + v);
      options.statusByte = static_cast<uint8_t>(s);
    } else if (a == "--old-no-reprint") {
      options.knowsReprint = false;
    } else if (a == "--old-no-shiftx") {
      options.knowsShiftX = false;
    } else if (a == "--no-card") {
      options.hasCard = false;
    } else if (a == "--full") {
      if (!value(v)) return Fail("--full needs dram, flash or card");
      if (v != "dram" && v != "flash" && v != "card") return Fail("bad --full " + v);
      full.push_back(v);
    } else if (a == "--answer") {
      size_t eq = std::string::npos;
      if (!value(v) || (eq = v.find('=')) == 0 || eq == std::string::npos)
        return Fail("--answer needs KEY=VALUE");
      answers.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (a == "--forget") {
      if (!value(v) || v.empty()) return Fail("--forget needs a KEY");
      forgotten.push_back(v);
    } else if (a == "--fault") {
      if (!value(v) || !varnalux::sim::FaultFromName(v, fault)) return Fail("bad --fault");
    } else if (a == "--record") {
      if (!value(record)) return Fail("--record needs a file");
    } else if (a == "--control") {
      if (!value(control)) return Fail("--control needs ADDR:PORT");
    } else if (a == "--udp") {
      if (!value(udp)) return Fail("--udp needs ADDR:PORT");
    } else if (a == "--udp-multicast") {
      if (!value(udpOptions.multicastInterface)) return Fail("--udp-multicast needs an interface");
    } else if (a == "--mac") {
      uint8_t bytes[6];
      if (!value(mac) || !varnalux::sim::MacFromText(mac, bytes))
        return Fail("--mac needs six hexadecimal pairs joined by colons");
    } else if (a == "--net-name") {
      if (!value(netName) || netName.size() > 63)
        return Fail("--net-name needs a name of up to 63 characters");
      netNameGiven = true;
    } else if (a == "--ip") {
      unsigned parts[4];
      char tail;
      if (!value(fixedIp) ||
          sscanf(fixedIp.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                 &tail) != 4 ||
          parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255)
        return Fail("--ip needs a dotted IPv4 address");
    } else if (a == "--model") {
      if (!value(udpOptions.model)) return Fail("--model needs a name");
    } else if (a == "--stdin") {
      useStdin = true;
    } else {
      return Fail("unknown option " + a + " (try --help)");
    }
  }

  // The serving threads inherit the blocked signals; they arrive on the
  // signal descriptor below.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int sigfd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (sigfd < 0) return Fail("no signal descriptor");

  VirtualPrinter printer(options);
  printer.SetFault(fault);
  for (const auto& [key, answer] : answers) printer.OverrideReport(key, answer);
  for (const std::string& key : forgotten) printer.ForgetReport(key);
  for (const std::string& device : full) printer.Control("fill " + device);
  if (!record.empty() && !printer.SetRecordFile(record)) return Fail("cannot open " + record);
  if (!mac.empty() || netNameGiven || !fixedIp.empty()) {
    varnalux::sim::NetworkSettings net = printer.Network();
    if (!mac.empty()) net.macAddress = mac;
    if (netNameGiven) net.netName = netName;
    if (!fixedIp.empty()) {
      net.dhcp = false;
      net.ipAddress = fixedIp;
      net.lastUsedIp = fixedIp;
    }
    printer.SetNetwork(net);
  }
  if (!udp.empty()) {
    if (!SplitAddress(udp, udpOptions.address, udpOptions.port)) return Fail("bad --udp " + udp);
    if (!printer.StartUdp(udpOptions)) return Fail("cannot serve UDP on " + udp);
    printf("udp %s:%u\n", udpOptions.address.c_str(), printer.UdpPort());
  }
  if (tcp) {
    std::string address;
    uint16_t port = 0;
    if (!SplitAddress(listen, address, port)) return Fail("bad --listen " + listen);
    if (!printer.StartTcp(address, port)) return Fail("cannot listen on " + listen);
    printf("listening %s:%u\n", address.c_str(), printer.TcpPort());
  }
  if (pty) {
    std::string slave = printer.StartPty(linkPath);
    if (slave.empty()) return Fail("cannot open a pseudo-terminal");
    printf("pty %s\n", slave.c_str());
    if (!linkPath.empty()) printf("link %s\n", linkPath.c_str());
  }
  if (!control.empty()) {
    std::string address;
    uint16_t port = 0;
    if (!SplitAddress(control, address, port)) return Fail("bad --control " + control);
    if (!printer.StartControl(address, port)) return Fail("cannot listen on " + control);
    printf("control %s:%u\n", address.c_str(), printer.ControlPort());
  }
  printf("ready\n");
  fflush(stdout);

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
      break;
    }
  }
  printer.Stop();
  close(sigfd);
  return 0;
}
