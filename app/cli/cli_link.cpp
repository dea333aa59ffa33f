#include "app/cli/cli_link.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "app/cli/cli_commands.h"
#include "link/printer_link.h"
#include "link/tcp_address.h"
#include "operations/dispatcher.h"

namespace varnalux {

namespace {

int IndexOf(const std::string& value, std::initializer_list<const char*> items) {
  int i = 0;
  for (const char* item : items) {
    if (value == item) return i;
    ++i;
  }
  return -1;
}

}  // namespace

bool ParseLinkOptions(std::vector<std::string>& args, CliLink& link, std::string& error) {
  InitialSerialSettings(link.serial);
  InitialParallelName(link.parallel);
  InitialTcpTarget(link.tcp);
  link.kind = KindUsb;
  int linkOptions = 0;
  size_t i = 0;
  auto value = [&](const std::string& option, std::string& out) {
    if (i + 1 >= args.size()) {
      error = option + " needs a value";
      return false;
    }
    out = args[++i];
    return true;
  };
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() < 2 || a[0] != '-' || a[1] != '-') break;
    std::string v;
    if (a == "--usb") {
      link.kind = KindUsb;
      ++linkOptions;
    } else if (a == "--com") {
      if (!value(a, v)) return false;
      if (v.size() >= sizeof link.serial.portName) {
        error = "port name too long: " + v;
        return false;
      }
      CopyText(link.serial.portName, sizeof link.serial.portName, v.c_str());
      link.kind = KindCom;
      ++linkOptions;
    } else if (a == "--lpt") {
      if (!value(a, v)) return false;
      if (v.size() >= ParallelNameSize) {
        error = "port name too long: " + v;
        return false;
      }
      CopyText(link.parallel, ParallelNameSize, v.c_str());
      link.kind = KindLpt;
      ++linkOptions;
    } else if (a == "--tcp") {
      if (!value(a, v)) return false;
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
      ++linkOptions;
    } else if (a == "--baud") {
      if (!value(a, v)) return false;
      int n = IndexOf(v, {"2400", "4800", "9600", "19200", "38400", "57600", "115200"});
      if (n < 0) return error = "bad --baud " + v, false;
      link.serial.baudIndex = n;
    } else if (a == "--data") {
      if (!value(a, v)) return false;
      int n = IndexOf(v, {"7", "8"});
      if (n < 0) return error = "bad --data " + v, false;
      link.serial.dataBitsIndex = n;
    } else if (a == "--parity") {
      if (!value(a, v)) return false;
      int n = IndexOf(v, {"none", "odd", "even"});
      if (n < 0) return error = "bad --parity " + v, false;
      link.serial.parityIndex = n;
    } else if (a == "--stop") {
      if (!value(a, v)) return false;
      int n = IndexOf(v, {"1", "1.5", "2"});
      if (n < 0) return error = "bad --stop " + v, false;
      link.serial.stopBitsIndex = n;
    } else if (a == "--hw") {
      if (!value(a, v)) return false;
      int n = IndexOf(v, {"none", "rts", "rtscts"});
      if (n < 0) return error = "bad --hw " + v, false;
      link.serial.hwHandshakeIndex = n;
    } else if (a == "--sw") {
      if (!value(a, v)) return false;
      int n = IndexOf(v, {"none", "xonxoff"});
      if (n < 0) return error = "bad --sw " + v, false;
      link.serial.swHandshakeIndex = n;
    } else {
      break;  // a command's own option
    }
  }
  if (linkOptions > 1) {
    error = "give only one of --usb, --com, --lpt, --tcp";
    return false;
  }
  args.erase(args.begin(), args.begin() + static_cast<long>(i));
  return true;
}

int ReportCliResult(ResultCode code) {
  if (code != ResultOk) fprintf(stderr, "%s\n", ResultMessage(code));
  // A command talks through one link: the latest open in this process is
  // its own, and says why it failed.
  if (code == ResultPortOpenError) {
    if (const char* why = LastOpenFailureText(); *why != '\0') fprintf(stderr, "%s\n", why);
  }
  return code < 0 || code > ResultUnknownError ? ResultUnknownError : code;
}

int UsageError(const char* usage) {
  fprintf(stderr, "usage: varnalux-cli [link option] %s\n", usage);
  return ExitUsage;
}

}  // namespace varnalux
