#include "link/serial_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "base/deadline.h"
#include "link/close_wait.h"
#include "link/port_names.h"

namespace varnalux {

namespace {
// Bytes read ahead on this thread's port (one port a thread at a time, as
// the link settings are bound per thread).
thread_local ReceiveRing g_serialRing;

// The driver's output queue has no event for "empty": it is looked at this often.
constexpr milliseconds QueuePollSlice{2};
// How often a read's pause lets the window handle its messages.
constexpr milliseconds ReadPollSlice{5};

// Bytes still in the driver's output queue; -1 when it cannot say.
int QueuedForLine(int fd) {
  int queued = 0;
  return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : -1;
}

// Waits until the output queue is empty; false at the deadline. window,
// when given, handles the window's messages and hears what is left.
bool WaitQueueEmpty(int fd, const Deadline& deadline, CloseWaitProgress* window = nullptr) {
  for (;;) {
    int queued = QueuedForLine(fd);
    if (queued == 0 && window != nullptr) window->Emptied();
    if (queued <= 0) return queued == 0;
    if (deadline.Passed()) return false;
    if (window != nullptr) window->Look(static_cast<uint64_t>(queued));
    std::this_thread::sleep_for(std::min(QueuePollSlice, deadline.Left()));
  }
}
}  // namespace

speed_t SerialBaudRate(int32_t baudIndex) {
  switch (baudIndex) {
    case 0: return B2400;
    case 1: return B4800;
    case 2: return B9600;
    case 3: return B19200;
    case 4: return B38400;
    case 5: return B57600;
    case 6: return B115200;
    default: return B9600;  // the dialog's empty item and anything else
  }
}

termios BuildSerialTermios(const termios& current, const SerialSettings& s) {
  termios t = current;
  // Raw mode: bytes pass unchanged in both directions.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IGNPAR);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD;
  t.c_cc[VMIN] = 0;  // reads return at once with what the driver holds
  t.c_cc[VTIME] = 0;

  speed_t speed = SerialBaudRate(s.baudIndex);
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);

  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
  t.c_cflag |= s.dataBitsIndex == 0 ? CS7 : CS8;

  // Odd parity is checked on input; even parity is sent but not checked.
  t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
  if (s.parityIndex == 1) {
    t.c_cflag |= PARENB | PARODD;
    t.c_iflag |= INPCK;
  } else if (s.parityIndex == 2) {
    t.c_cflag |= PARENB;
  }

  // POSIX has no 1.5 stop bits. Two stop bits is the nearest safe choice: a
  // receiver that wants 1.5 accepts 2, while 1 may be too short for it.
  if (s.stopBitsIndex == 1 || s.stopBitsIndex == 2)
    t.c_cflag |= CSTOPB;
  else
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);

  // Hardware handshake: "None" ignores the modem lines. "RTS" holds RTS and
  // DTR on and waits for CTS before sending; Linux only offers CTS output
  // flow together with RTS input flow (CRTSCTS), which is the nearest match.
  // "RTS/CTS" and anything else: full RTS/CTS flow control. DSR output flow
  // has no termios setting.
  if (s.hwHandshakeIndex == 0) {
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    t.c_cflag |= CLOCAL;
  } else {
    t.c_cflag |= CRTSCTS | CLOCAL;
  }

  if (s.swHandshakeIndex == 1) t.c_iflag |= IXON | IXOFF;
  return t;
}

void ApplySerialSettings(int fd, const SerialSettings& settings) {
  termios current{};
  if (tcgetattr(fd, &current) != 0) return;
  termios wanted = BuildSerialTermios(current, settings);
  // A setting the driver refuses is not reported; the port keeps its state.
  (void)tcsetattr(fd, TCSANOW, &wanted);
}

// Bytes the printer sent before this operation are stale and dropped. The
// output side is left alone: anything still queued there is the previous
// operation's command, already reported as sent (on a pseudo-terminal an
// output flush would even discard it from the far end's buffer).
void PurgeSerialPort(int fd) { (void)tcflush(fd, TCIFLUSH); }

int OpenSerialPort(const SerialSettings& settings, OpenFailure* why) {
  OpenFailure ignored;
  OpenFailure& failure = why != nullptr ? *why : ignored;
  char name[sizeof settings.portName + 1] = {};
  for (size_t i = 0; i < sizeof settings.portName && settings.portName[i] != '\0'; ++i)
    name[i] = settings.portName[i];
  std::string device = ResolvePortDevice(name);
  if (device.empty()) {
    failure = name[0] == '\0' ? OpenFailure::NotSet : OpenFailure::Missing;
    return -1;
  }
  int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure = OpenFailureFromErrno(errno);
    return -1;
  }
  if (!isatty(fd)) {
    failure = OpenFailure::NotADevice;
    close(fd);
    return -1;
  }
  failure = OpenFailure::None;
  PurgeSerialPort(fd);
  ApplySerialSettings(fd, settings);
  // DTR and RTS raised; a pseudo-terminal refuses this, which is ignored.
  int lines = TIOCM_DTR | TIOCM_RTS;
  (void)ioctl(fd, TIOCMBIS, &lines);
  return fd;
}

bool CloseSerialPort(int fd, const SerialTimeouts& timeouts, CloseMode mode,
                     LinkProgress* progress) {
  if (fd < 0) return true;
  // Every chunk waited for its bytes to leave, so the queue is normally
  // empty here. Whatever is left gets the pace of the write bound (none
  // after a failed write: flow control holds it); what is still held back
  // then is dropped (or the close itself would wait the driver's closing
  // time as well), and the close says so.
  bool left = true;
  int queued = QueuedForLine(fd);
  if (queued > 0) {
    if (mode == CloseMode::Drain) {
      CloseWaitProgress window(progress);
      left = WaitQueueEmpty(fd, Deadline(timeouts.writePerByte * queued + timeouts.writeBase),
                            &window);
    } else {
      left = false;
    }
    if (!left) tcflush(fd, TCOFLUSH);
  }
  close(fd);
  return left;
}

uint32_t SerialWriteChunk(int fd, const uint8_t* data, uint32_t count,
                          const SerialTimeouts& timeouts) {
  // The chunk must leave within 10 ms per byte plus 5000 ms. A chunk that
  // only sits in the driver's buffer has not left: flow control may hold it
  // there until the close throws it away.
  Deadline deadline(timeouts.writePerByte * static_cast<int>(count) + timeouts.writeBase);
  uint32_t written = 0;
  while (written < count) {
    ssize_t n = write(fd, data + written, count - written);
    if (n > 0) {
      written += static_cast<uint32_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return 0;
    if (deadline.Passed()) return 0;
    pollfd p{fd, POLLOUT, 0};
    int r = poll(&p, 1, deadline.LeftMs());
    if (r < 0 && errno != EINTR) return 0;
    if (r > 0 && (p.revents & (POLLERR | POLLNVAL)) != 0) return 0;
  }
  return WaitQueueEmpty(fd, deadline) ? written : 0;
}

bool SerialReadByte(int fd, uint8_t& out, const SerialTimeouts& timeouts, LinkProgress* progress) {
  // Six read attempts with a pause of 200 ms after each empty one. The pause
  // ends early when a byte arrives, so a printer that answers a moment after
  // the query costs no more than its own delay.
  for (int attempt = 0; g_serialRing.Empty() && attempt < timeouts.readAttempts; ++attempt) {
    uint8_t byte;
    ssize_t n = read(fd, &byte, 1);
    if (n == 1) {
      g_serialRing.Append(&byte, 1);
      break;
    }
    // The pause looks again every slice and lets the window handle its
    // messages between, so a printer slow to answer does not freeze it.
    pollfd p{fd, POLLIN, 0};
    const Deadline pause(timeouts.readPause);
    int r;
    for (;;) {
      r = poll(&p, 1, progress != nullptr ? pause.LeftMs(ReadPollSlice) : pause.LeftMs());
      if (r != 0 || pause.Passed() || progress == nullptr) break;
      progress->PumpMessages();
    }
    if (r <= 0 || (p.revents & POLLIN) == 0) {
      // An error or hang-up would wake poll at once: keep the pause.
      if (p.revents != 0) std::this_thread::sleep_for(timeouts.readPause);
    }
  }
  return g_serialRing.Take(out);
}

uint64_t SerialUnsent(int fd) {
  const int queued = QueuedForLine(fd);
  return queued >= 0 ? static_cast<uint64_t>(queued) : UINT64_MAX;
}

ReceiveRing& SerialRing() { return g_serialRing; }

// The row the facade picks for this link: adapters from the facade's
// calls to the ones above.
namespace {

LinkHandle SerialOpenLink(const LinkSettings& s, OpenFailure& why) {
  if (s.serial == nullptr) {
    why = OpenFailure::NotSet;
    return InvalidLink;
  }
  int fd = OpenSerialPort(*s.serial, &why);
  if (fd < 0) return InvalidLink;
  SerialRing().Reset();
  PurgeSerialPort(fd);
  return fd;
}
bool SerialCloseLink(LinkHandle handle, const LinkSettings& s, CloseMode mode,
                     LinkProgress* progress) {
  return CloseSerialPort(static_cast<int>(handle), s.timeouts.serial, mode, progress);
}
bool SerialWrite(LinkHandle handle, const uint8_t* at, uint32_t n, bool, const LinkSettings& s,
                 LinkProgress*) {
  return SerialWriteChunk(static_cast<int>(handle), at, n, s.timeouts.serial) == n;
}
bool SerialRead(LinkHandle handle, uint8_t& out, const LinkSettings& s, LinkProgress* progress) {
  return SerialReadByte(static_cast<int>(handle), out, s.timeouts.serial, progress);
}
uint64_t SerialHeld(LinkHandle handle) { return SerialUnsent(static_cast<int>(handle)); }

}  // namespace

const LinkDriver SerialDriver = {SerialOpenLink, SerialCloseLink, SerialWrite, SerialRead, SerialHeld, UsbSerialChunk, false};

}  // namespace varnalux
