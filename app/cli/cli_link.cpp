#include "app/cli/cli_link.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_output.h"
#include "link/printer_link.h"
#include "link/serial_words.h"
#include "link/tcp_address.h"
#include "operations/dispatcher.h"

namespace varnalux {

namespace {

// A port name into its record's field; false when it does not fit.
bool CopyPortName(const std::string& v, char* field, size_t size, std::string& error) {
  if (v.size() >= size) {
    error = "port name too long: " + v;
    return false;
  }
  CopyText(field, static_cast<int>(size), v.c_str());
  return true;
}

bool SetCom(const std::string& v, CliLink& link, std::string& error) {
  if (!CopyPortName(v, link.serial.portName, sizeof link.serial.portName, error)) return false;
  link.kind = KindCom;
  return true;
}

bool SetLpt(const std::string& v, CliLink& link, std::string& error) {
  if (!CopyPortName(v, link.parallel, ParallelNameSize, error)) return false;
  link.kind = KindLpt;
  return true;
}

bool SetTcp(const std::string& v, CliLink& link, std::string& error) {
  std::string host;
  if (!ParseTcpAddress(v, host, link.tcp.port)) {
    error = "bad address in --tcp " + v;
    return false;
  }
  if (host.size() >= sizeof link.tcp.host) {
    error = "bad host in --tcp " + v;
    return false;
  }
  CopyText(link.tcp.host, sizeof link.tcp.host, host.c_str());
  link.kind = KindEthernet;
  return true;
}

// The options that choose the link and take a value naming it.
struct LinkOption {
  const char* option;
  bool (*set)(const std::string& value, CliLink& link, std::string& error);
};

constexpr LinkOption LinkOptions[] = {{"--com", SetCom}, {"--lpt", SetLpt}, {"--tcp", SetTcp}};

enum class Taken { Yes, NotALinkOption, Error };

// Takes one option of the link's with its value (null when none follows).
Taken TakeLinkOption(const std::string& a, const std::string* v, CliLink& link, int& linkOptions,
                     std::string& error) {
  for (const LinkOption& o : LinkOptions) {
    if (a != o.option) continue;
    if (v == nullptr) return error = a + " needs a value", Taken::Error;
    if (!o.set(*v, link, error)) return Taken::Error;
    ++linkOptions;
    return Taken::Yes;
  }
  // --baud, --data, --parity, --stop, --hw, --sw: the serial settings' words.
  if (a.size() > 2 && IsSerialWord(std::string_view(a).substr(2))) {
    if (v == nullptr) return error = a + " needs a value", Taken::Error;
    if (!SetSerialWord(std::string_view(a).substr(2), *v, link.serial))
      return error = "bad " + a + " " + *v, Taken::Error;
    return Taken::Yes;
  }
  return Taken::NotALinkOption;
}

}  // namespace

bool ParseLinkOptions(std::vector<std::string>& args, CliLink& link, std::string& error) {
  InitialSerialSettings(link.serial);
  InitialParallelName(link.parallel);
  InitialTcpTarget(link.tcp);
  link.kind = KindUsb;
  int linkOptions = 0;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || a[1] != '-') break;
    if (a == "--usb") {
      link.kind = KindUsb;
      ++linkOptions;
      continue;
    }
    const std::string* value = i + 1 < args.size() ? &args[i + 1] : nullptr;
    const Taken taken = TakeLinkOption(a, value, link, linkOptions, error);
    if (taken == Taken::Error) return false;
    if (taken == Taken::NotALinkOption) break;  // a command's own option
    ++i;
  }
  if (linkOptions > 1) {
    error = "give only one of --usb, --com, --lpt, --tcp";
    return false;
  }
  args.erase(args.begin(), args.begin() + static_cast<long>(i));
  return true;
}

int ReportCliResult(ResultCode code) {
  if (code != ResultOk) fprintf(CliErr(), "%s\n", ResultMessage(code));
  // A command talks through one link: the latest open in this process is
  // its own, and says why it failed.
  if (code == ResultPortOpenError) {
    if (const char* why = LastOpenFailureText(); *why != '\0') fprintf(CliErr(), "%s\n", why);
  }
  return code < 0 || code > ResultUnknownError ? ResultUnknownError : code;
}

int UsageError(const char* usage) {
  fprintf(CliErr(), "usage: varnalux-cli [link option] %s\n", usage);
  return ExitUsage;
}

}  // namespace varnalux
