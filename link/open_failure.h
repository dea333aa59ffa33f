// Why a link did not open, for the line below "Port Open Error".
#pragma once

#include "base/codes.h"

namespace varnalux {

enum class OpenFailure {
  None,
  NotSet,       // no port or host given
  Missing,      // no such device, or no printer present
  Denied,       // the system refused this user access
  Busy,         // another program holds the port
  NotADevice,   // the name is a file, a FIFO or the like
  UnknownHost,  // the host name does not resolve
  Refused,      // the printer refused the connection
  Unreachable,  // no route to the printer
  TimedOut,     // no answer within the link's bound
  Other,
};

// The reason behind an errno value of open(), connect() and the like.
OpenFailure OpenFailureFromErrno(int error);

// One sentence for the user; empty for None. USB has its own advice on a
// denied open (the device rule).
const char* OpenFailureText(InterfaceKind kind, OpenFailure failure);

}  // namespace varnalux
