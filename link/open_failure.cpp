#include "link/open_failure.h"

#include <cerrno>

namespace varnalux {

OpenFailure OpenFailureFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return OpenFailure::Missing;
    case EACCES:
    case EPERM:
    case EROFS: return OpenFailure::Denied;
    case EBUSY:
    case EWOULDBLOCK: return OpenFailure::Busy;
    case ECONNREFUSED: return OpenFailure::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
    case EADDRNOTAVAIL: return OpenFailure::Unreachable;
    case ETIMEDOUT: return OpenFailure::TimedOut;
    default: return OpenFailure::Other;
  }
}

const char* OpenFailureText(InterfaceKind kind, OpenFailure failure) {
  switch (failure) {
    case OpenFailure::None: return "";
    case OpenFailure::NotSet:
      return kind == KindEthernet ? "No printer address is set." : "No port is set.";
    case OpenFailure::Missing:
      return kind == KindUsb ? "No printer is connected." : "The port does not exist.";
    case OpenFailure::Denied:
      if (kind == KindUsb)
        return "The printer is present but this user may not open it: run "
               "scripts/install-udev-rule.sh (needs root), then unplug and replug the printer.";
      return "This user may not open the port.";
    case OpenFailure::Busy: return "Another program is using the port.";
    case OpenFailure::NotADevice: return "The port name does not name a device.";
    case OpenFailure::UnknownHost: return "The printer's host name is not known.";
    case OpenFailure::Refused: return "The printer refused the connection.";
    case OpenFailure::Unreachable: return "The printer cannot be reached.";
    case OpenFailure::TimedOut: return "The printer did not answer in time.";
    case OpenFailure::Other: return "The port could not be opened.";
  }
  return "";
}

}  // namespace varnalux
