#include "link/printer_link.h"

#include "link/link_settings.h"
#include "link/parallel_link.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/usb_link.h"

namespace varnalux {

namespace {

// Handle the TCP link returns; its connection objects are module-wide.
constexpr LinkHandle TcpHandle = 1;

// What the facade needs of one link. Every function gets the run's settings.
struct LinkDriver {
  LinkHandle (*open)(const LinkSettings&, OpenFailure&);
  // False when written bytes did not leave before the close's bound.
  bool (*close)(LinkHandle, const LinkSettings&, CloseMode);
  // Writes one whole chunk; more tells that another chunk of the same write
  // follows at once.
  bool (*writeChunk)(LinkHandle, const uint8_t*, uint32_t, bool more, const LinkSettings&);
  bool (*readByte)(LinkHandle, uint8_t&, const LinkSettings&);
  uint32_t chunkSize;  // 0: the whole buffer in one call
  bool finalTick;      // one more tick of 100 after the last chunk
};

// USB

LinkHandle UsbOpenLink(const LinkSettings&, OpenFailure& why) {
  intptr_t handle = UsbOpen(why);
  if (handle < 0) return InvalidLink;
  UsbRing().Reset();
  return handle;
}
bool UsbCloseLink(LinkHandle handle, const LinkSettings&, CloseMode) {
  UsbClose(handle);
  return true;  // a bulk transfer counts only once the device took it
}
bool UsbWrite(LinkHandle handle, const uint8_t* at, uint32_t n, bool, const LinkSettings& s) {
  return UsbWriteChunk(handle, at, n, s.timeouts.usb) == n;
}
bool UsbRead(LinkHandle handle, uint8_t& out, const LinkSettings& s) {
  return UsbReadByte(handle, out, s.timeouts.usb);
}

// Serial

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
bool SerialCloseLink(LinkHandle handle, const LinkSettings& s, CloseMode mode) {
  return CloseSerialPort(static_cast<int>(handle), s.timeouts.serial, mode, s.observer);
}
bool SerialWrite(LinkHandle handle, const uint8_t* at, uint32_t n, bool, const LinkSettings& s) {
  return SerialWriteChunk(static_cast<int>(handle), at, n, s.timeouts.serial) == n;
}
bool SerialRead(LinkHandle handle, uint8_t& out, const LinkSettings& s) {
  return SerialReadByte(static_cast<int>(handle), out, s.timeouts.serial, s.observer);
}

// Parallel

LinkHandle ParallelOpenLink(const LinkSettings& s, OpenFailure& why) {
  if (s.parallelDeviceName == nullptr) {
    why = OpenFailure::NotSet;
    return InvalidLink;
  }
  int fd = ParallelOpen(s.parallelDeviceName, &why);
  return fd < 0 ? InvalidLink : fd;
}
bool ParallelCloseLink(LinkHandle handle, const LinkSettings&, CloseMode) {
  ParallelClose(static_cast<int>(handle));
  return true;  // the write returns only once the port took every byte
}
bool ParallelWriteAll(LinkHandle handle, const uint8_t* at, uint32_t n, bool,
                      const LinkSettings& s) {
  return ParallelWrite(static_cast<int>(handle), at, n, s.timeouts.parallel, s.observer);
}
bool NeverReads(LinkHandle, uint8_t&, const LinkSettings&) { return false; }

// TCP

LinkHandle TcpOpenLink(const LinkSettings& s, OpenFailure& why) {
  if (s.tcp == nullptr) {
    why = OpenFailure::NotSet;
    return InvalidLink;
  }
  if (!TcpOpen(*s.tcp, s.timeouts.tcp, &why)) return InvalidLink;
  TcpRing().Reset();
  return TcpHandle;
}
bool TcpCloseLink(LinkHandle, const LinkSettings& s, CloseMode mode) {
  return TcpClose(s.timeouts.tcp, mode, s.observer);
}
bool TcpWrite(LinkHandle, const uint8_t* at, uint32_t n, bool more, const LinkSettings& s) {
  return TcpWriteChunk(at, n, more, s.timeouts.tcp);
}
bool TcpRead(LinkHandle, uint8_t& out, const LinkSettings& s) {
  return TcpReadByte(out, s.timeouts.tcp, s.observer);
}

// By InterfaceKind.
constexpr LinkDriver Drivers[] = {
    {UsbOpenLink, UsbCloseLink, UsbWrite, UsbRead, UsbSerialChunk, false},
    {SerialOpenLink, SerialCloseLink, SerialWrite, SerialRead, UsbSerialChunk, false},
    {ParallelOpenLink, ParallelCloseLink, ParallelWriteAll, NeverReads, 0, false},
    {TcpOpenLink, TcpCloseLink, TcpWrite, TcpRead, TcpChunk, true},
};

const LinkDriver* DriverFor(InterfaceKind kind) {
  if (kind < 0 || kind >= static_cast<InterfaceKind>(sizeof Drivers / sizeof Drivers[0]))
    return nullptr;
  return &Drivers[kind];
}

// The share of the whole written once done bytes of this piece went out.
uint32_t PercentWritten(const WritePlace& place, uint32_t done) {
  const uint64_t written = place.before + done;
  if (written >= place.whole) return 100;
  if (place.whole > UINT64_MAX / 100) return static_cast<uint32_t>(written / (place.whole / 100));
  return static_cast<uint32_t>(written * 100 / place.whole);
}

}  // namespace

LinkHandle OpenLink(InterfaceKind kind) {
  LinkSettings& settings = CurrentLinkSettings();
  OpenFailure why = OpenFailure::Other;
  const LinkDriver* driver = DriverFor(kind);
  LinkHandle handle = driver != nullptr ? driver->open(settings, why) : InvalidLink;
  settings.lastOpenFailure = handle == InvalidLink ? why : OpenFailure::None;
  settings.lastOpenKind = kind;
  return handle;
}

OpenFailure LastOpenFailure() { return CurrentLinkSettings().lastOpenFailure; }

const char* LastOpenFailureText() {
  const LinkSettings& settings = CurrentLinkSettings();
  return OpenFailureText(settings.lastOpenKind, settings.lastOpenFailure);
}

bool CloseLink(InterfaceKind kind, LinkHandle handle, CloseMode mode) {
  const LinkDriver* driver = DriverFor(kind);
  return driver == nullptr || driver->close(handle, CurrentLinkSettings(), mode);
}

bool WriteLink(LinkHandle handle, InterfaceKind kind, const void* buffer, uint32_t length) {
  return WriteLinkPart(handle, kind, buffer, length, WritePlace{0, length, false});
}

bool WriteLinkPart(LinkHandle handle, InterfaceKind kind, const void* buffer, uint32_t length,
                   const WritePlace& place) {
  const LinkSettings& settings = CurrentLinkSettings();
  LinkProgress* progress = settings.observer;
  if (progress != nullptr) progress->Tick(0, 0);
  const LinkDriver* driver = DriverFor(kind);
  if (driver == nullptr) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  const uint32_t chunkSize = driver->chunkSize != 0 ? driver->chunkSize : length;
  const bool shareKnown = place.whole != UnknownWholeSize;
  uint32_t remaining = length;
  // A link that takes the whole buffer at once is called also for none.
  bool once = driver->chunkSize == 0;
  while (remaining > 0 || once) {
    once = false;
    uint32_t chunk = remaining < chunkSize ? remaining : chunkSize;
    const bool more = remaining > chunk || place.moreFollows;
    if (!driver->writeChunk(handle, bytes + (length - remaining), chunk, more, settings))
      return false;
    remaining -= chunk;
    if (progress != nullptr) {
      if (shareKnown) progress->Tick(1, PercentWritten(place, length - remaining));
      progress->PumpMessages();
    }
  }
  const bool completesWhole = shareKnown && place.before + length >= place.whole;
  if (driver->finalTick && completesWhole && progress != nullptr) progress->Tick(1, 100);
  return true;
}

bool ReadLinkByte(LinkHandle handle, InterfaceKind kind, uint8_t& out) {
  const LinkDriver* driver = DriverFor(kind);
  return driver != nullptr && driver->readByte(handle, out, CurrentLinkSettings());
}

}  // namespace varnalux
