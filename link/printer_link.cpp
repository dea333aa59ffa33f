#include "link/printer_link.h"

#include <algorithm>

#include "link/link_settings.h"
#include "link/parallel_link.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/usb_link.h"

namespace varnalux {

namespace {

// Handle the TCP link returns; its connection objects are module-wide.
constexpr LinkHandle TcpHandle = 1;

// USB

LinkHandle UsbOpenLink(const LinkSettings&, OpenFailure& why) {
  intptr_t handle = UsbOpen(why);
  if (handle < 0) return InvalidLink;
  UsbRing().Reset();
  return handle;
}
bool UsbCloseLink(LinkHandle handle, const LinkSettings&, CloseMode, LinkProgress*) {
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
bool SerialCloseLink(LinkHandle handle, const LinkSettings& s, CloseMode mode,
                     LinkProgress* progress) {
  return CloseSerialPort(static_cast<int>(handle), s.timeouts.serial, mode, progress);
}
bool SerialWrite(LinkHandle handle, const uint8_t* at, uint32_t n, bool, const LinkSettings& s) {
  return SerialWriteChunk(static_cast<int>(handle), at, n, s.timeouts.serial) == n;
}
bool SerialRead(LinkHandle handle, uint8_t& out, const LinkSettings& s) {
  return SerialReadByte(static_cast<int>(handle), out, s.timeouts.serial, s.observer);
}
uint64_t SerialHeld(LinkHandle handle) { return SerialUnsent(static_cast<int>(handle)); }

// Parallel

LinkHandle ParallelOpenLink(const LinkSettings& s, OpenFailure& why) {
  if (s.parallelDeviceName == nullptr) {
    why = OpenFailure::NotSet;
    return InvalidLink;
  }
  int fd = ParallelOpen(s.parallelDeviceName, &why);
  return fd < 0 ? InvalidLink : fd;
}
bool ParallelCloseLink(LinkHandle handle, const LinkSettings&, CloseMode, LinkProgress*) {
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
bool TcpCloseLink(LinkHandle, const LinkSettings& s, CloseMode mode, LinkProgress* progress) {
  return TcpClose(s.timeouts.tcp, mode, progress);
}
bool TcpWrite(LinkHandle, const uint8_t* at, uint32_t n, bool more, const LinkSettings& s) {
  return TcpWriteChunk(at, n, more, s.timeouts.tcp);
}
bool TcpRead(LinkHandle, uint8_t& out, const LinkSettings& s) {
  return TcpReadByte(out, s.timeouts.tcp, s.observer);
}
uint64_t TcpHeld(LinkHandle) { return TcpUnacknowledged(); }

// By InterfaceKind.
constexpr LinkDriver Drivers[] = {
    {UsbOpenLink, UsbCloseLink, UsbWrite, UsbRead, nullptr, UsbSerialChunk, false},
    {SerialOpenLink, SerialCloseLink, SerialWrite, SerialRead, SerialHeld, UsbSerialChunk, false},
    {ParallelOpenLink, ParallelCloseLink, ParallelWriteAll, NeverReads, nullptr, 0, false},
    {TcpOpenLink, TcpCloseLink, TcpWrite, TcpRead, TcpHeld, TcpChunk, true},
};

uint64_t Held(const LinkDriver& driver, LinkHandle handle) {
  return driver.held != nullptr ? driver.held(handle) : 0;
}

// bytes as a share of whole, in percent (rounded down).
uint32_t PercentOf(uint64_t bytes, uint64_t whole) {
  if (bytes >= whole) return 100;
  if (whole > UINT64_MAX / 100) return static_cast<uint32_t>(bytes / (whole / 100));
  return static_cast<uint32_t>(bytes * 100 / whole);
}

// Tells the window what the printer has taken of a write while the link
// still holds `held` written bytes. Those are always the last ones written,
// so when they reach back before this write (bytes written ahead of it,
// such as a download's header), the printer has taken none of it yet.
void TellTaken(LinkProgress& progress, const WriteShare& share, uint64_t held) {
  const uint64_t taken = share.handed - std::min(held, share.handed);
  progress.Taken(taken);
  if (share.whole != UnknownWholeSize) progress.Tick(1, PercentOf(taken, share.whole));
}

// The window during a close: what the link still holds becomes what the
// printer has taken of the last write; everything else reaches the window
// as it is.
class ClosingProgress final : public LinkProgress {
 public:
  ClosingProgress(LinkProgress& window, const WriteShare& lastWrite)
      : window_(window), lastWrite_(lastWrite) {}
  void Show(int mode, int initialStep, int stepSize) override {
    window_.Show(mode, initialStep, stepSize);
  }
  void Hide(bool succeeded) override { window_.Hide(succeeded); }
  void Tick(int kind, uint32_t value) override { window_.Tick(kind, value); }
  void PumpMessages() override { window_.PumpMessages(); }
  void Taken(uint64_t bytes) override { window_.Taken(bytes); }
  void StillHeld(uint64_t bytesLeft) override { TellTaken(window_, lastWrite_, bytesLeft); }
  void WaitingForPrinter(uint64_t bytesLeft) override { window_.WaitingForPrinter(bytesLeft); }

 private:
  LinkProgress& window_;
  WriteShare lastWrite_;
};

}  // namespace

const LinkDriver* DriverFor(InterfaceKind kind) {
  if (kind < 0 || kind >= static_cast<InterfaceKind>(sizeof Drivers / sizeof Drivers[0]))
    return nullptr;
  return &Drivers[kind];
}

LinkHandle OpenLinkOn(const LinkDriver* driver, InterfaceKind kind) {
  LinkSettings& settings = CurrentLinkSettings();
  OpenFailure why = OpenFailure::Other;
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

bool CloseLinkOn(const LinkDriver* driver, LinkHandle handle, CloseMode mode,
                 const WriteShare* lastWrite) {
  if (driver == nullptr) return true;
  const LinkSettings& settings = CurrentLinkSettings();
  if (settings.observer == nullptr || lastWrite == nullptr)
    return driver->close(handle, settings, mode, settings.observer);
  ClosingProgress closing(*settings.observer, *lastWrite);
  return driver->close(handle, settings, mode, &closing);
}

bool WriteLinkOn(const LinkDriver* driver, LinkHandle handle, const void* buffer, uint32_t length,
                 const WritePlace& place) {
  const LinkSettings& settings = CurrentLinkSettings();
  LinkProgress* progress = settings.observer;
  if (progress != nullptr) progress->Tick(0, 0);
  if (driver == nullptr) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  const uint32_t chunkSize = driver->chunkSize != 0 ? driver->chunkSize : length;
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
      TellTaken(*progress, WriteShare{place.before + (length - remaining), place.whole},
                Held(*driver, handle));
      progress->PumpMessages();
    }
  }
  // Once the whole was handed over, one more look: the printer may have
  // taken more meanwhile. The rest is followed by the close.
  const bool completesWhole =
      place.whole != UnknownWholeSize && place.before + length >= place.whole;
  if (driver->finalLook && completesWhole && progress != nullptr)
    TellTaken(*progress, WriteShare{place.before + length, place.whole}, Held(*driver, handle));
  return true;
}

bool ReadLinkByteOn(const LinkDriver* driver, LinkHandle handle, uint8_t& out) {
  return driver != nullptr && driver->readByte(handle, out, CurrentLinkSettings());
}

LinkHandle OpenLink(InterfaceKind kind) { return OpenLinkOn(DriverFor(kind), kind); }

bool CloseLink(InterfaceKind kind, LinkHandle handle, CloseMode mode, const WriteShare* lastWrite) {
  return CloseLinkOn(DriverFor(kind), handle, mode, lastWrite);
}

bool WriteLink(LinkHandle handle, InterfaceKind kind, const void* buffer, uint32_t length) {
  return WriteLinkPart(handle, kind, buffer, length, WritePlace{0, length, false});
}

bool WriteLinkPart(LinkHandle handle, InterfaceKind kind, const void* buffer, uint32_t length,
                   const WritePlace& place) {
  return WriteLinkOn(DriverFor(kind), handle, buffer, length, place);
}

bool ReadLinkByte(LinkHandle handle, InterfaceKind kind, uint8_t& out) {
  return ReadLinkByteOn(DriverFor(kind), handle, out);
}

}  // namespace varnalux
