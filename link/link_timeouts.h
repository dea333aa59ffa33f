// Every bound a link waits for, per link, in one place. The defaults are the
// printer's own pace; a caller (tests, a slow site) may shorten or lengthen
// them through LinkSettings::timeouts.
#pragma once

#include <chrono>
#include <cstdint>

namespace varnalux {

using std::chrono::milliseconds;

struct TcpTimeouts {
  milliseconds connect{5000};   // name lookup and connect together, all addresses
  milliseconds write{3000};     // one wait for the socket to take data
  int writeRetries = 3;         // waits in a row that may pass with no progress
  milliseconds dataWait{1000};  // wait for incoming data per refill
  // After the queue emptied: how long the printer may take to close its side,
  // so that nothing it still sends arrives at a closed socket.
  milliseconds closeLinger{200};

  // The longest a send may go without the printer taking a byte. A write
  // gives up after writeRetries waits of `write` that took nothing. A close
  // waits for the bytes still queued as long as the printer keeps
  // acknowledging them, at whatever pace it reads, and gives up after as
  // long with nothing acknowledged.
  milliseconds NoProgressBound() const { return write * writeRetries; }
};

struct SerialTimeouts {
  milliseconds writePerByte{10};  // a chunk must leave within this per byte
  milliseconds writeBase{5000};   // plus this
  int readAttempts = 6;
  milliseconds readPause{200};  // after each empty read attempt
};

struct UsbTimeouts {
  milliseconds read{5000};  // one bulk read of a refill
  milliseconds writePerByte{10};
  milliseconds writeBase{5000};
};

struct ParallelTimeouts {
  milliseconds writeBase{30000};  // the whole buffer within this
  milliseconds writePerKiB{10};   // plus this per started KiB
};

// A list read: one query answered by one answer per item and an empty
// answer at the end (the printer's file lists). It keeps the printer's pace,
// a pause before each answer; the window's messages are handled during the
// pause. At that pace a full list of 8.3 names (about 4,700 answers) takes
// about four minutes, so the whole list has a bound a little above that, and
// a printer that never ends its list is left after it.
struct ListTimeouts {
  milliseconds pause{50};       // before each answer
  milliseconds whole{300000};   // the whole list, from its query on
  milliseconds afterCut{2000};  // reading on to the end of a list that was cut
  milliseconds offerCancel{1000};  // a read this long offers the user Cancel
};

struct LinkTimeouts {
  TcpTimeouts tcp;
  SerialTimeouts serial;
  UsbTimeouts usb;
  ParallelTimeouts parallel;
  ListTimeouts list;
};

}  // namespace varnalux
