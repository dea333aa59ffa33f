// varnalux-vprinter: the virtual label printer as a program.
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/fleet.h"
#include "sim/virtual_printer.h"
#include "sim/vprinter_fleet.h"
#include "sim/vprinter_options.h"

using varnalux::sim::Fleet;
using varnalux::sim::SplitAddress;
using varnalux::sim::VirtualPrinter;
using Settings = varnalux::sim::VprinterSettings;

namespace {

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

// A printer that the signals reach, with its name for a fleet ("" alone).
struct Target {
  std::string name;
  VirtualPrinter* printer;
};

// SIGUSR1 prints the status and counters of every target; SIGUSR2 clears
// them. false for SIGINT and SIGTERM.
bool AnswerSignal(const std::vector<Target>& targets, int signo) {
  if (signo != SIGUSR1 && signo != SIGUSR2) return false;
  for (const Target& t : targets) {
    if (signo == SIGUSR2) {
      t.printer->Control("clear");
      continue;
    }
    if (!t.name.empty()) printf("printer %s\n", t.name.c_str());
    fputs(t.printer->Control("status").c_str(), stdout);
    fputs(t.printer->Control("counters").c_str(), stdout);
  }
  fflush(stdout);
  return true;
}

// Serves until SIGINT or SIGTERM, answering the other signals and, for a
// single printer, the control commands on standard input meanwhile.
void WaitForEnd(const std::vector<Target>& targets, int sigfd, bool useStdin) {
  std::string pending;
  bool stdinOpen = useStdin;
  for (;;) {
    pollfd p[2] = {{sigfd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
    if (poll(p, 2, -1) < 0) continue;
    if ((p[1].revents & (POLLIN | POLLHUP)) != 0)
      stdinOpen = ReadStdin(*targets.front().printer, pending);
    if ((p[0].revents & POLLIN) == 0) continue;
    signalfd_siginfo info{};
    if (read(sigfd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
    if (!AnswerSignal(targets, static_cast<int>(info.ssi_signo))) return;
  }
}

// Takes as many open descriptors as allowed: every printer of a fleet holds
// a few.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

int ServeFleet(Settings& settings, int sigfd) {
  RaiseDescriptorLimit();
  Fleet fleet;
  auto setup = [&settings](VirtualPrinter& printer) { return Configure(printer, settings); };
  if (std::string error = StartFleet(fleet, settings, setup); !error.empty()) return Fail(error);
  printf("ready\n");
  fflush(stdout);
  std::vector<Target> targets;
  for (size_t i = 0; i < fleet.Size(); ++i) targets.push_back({fleet.Name(i), &fleet.Printer(i)});
  WaitForEnd(targets, sigfd, false);
  fleet.Stop();
  return 0;
}

int ServeOne(Settings& settings, int sigfd) {
  VirtualPrinter printer(settings.options);
  if (std::string error = Configure(printer, settings); !error.empty()) return Fail(error);
  if (std::string error = StartServing(printer, settings); !error.empty()) return Fail(error);
  printf("ready\n");
  fflush(stdout);
  WaitForEnd({{"", &printer}}, sigfd, settings.useStdin);
  printer.Stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (std::string error = varnalux::sim::ParseCommandLine(argc, argv, settings); !error.empty())
    return Fail(error);
  if (settings.done) return 0;
  if (settings.fleet == 0 && (!settings.fleetList.empty() || !settings.fleetFaults.empty()))
    return Fail("--fleet-list and --fleet-fault go with --fleet");

  // The serving threads inherit the blocked signals; they arrive on the
  // signal descriptor below.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) sigaddset(&signals, s);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  int sigfd = signalfd(-1, &signals, SFD_CLOEXEC);
  if (sigfd < 0) return Fail("no signal descriptor");
  int code = settings.fleet > 0 ? ServeFleet(settings, sigfd) : ServeOne(settings, sigfd);
  close(sigfd);
  return code;
}
