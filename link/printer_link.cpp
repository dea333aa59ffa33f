#include "link/printer_link.h"

#include <algorithm>

#include "link/link_settings.h"
#include "link/parallel_link.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/usb_link.h"

namespace varnalux {

namespace {

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
  // By InterfaceKind; each link's file defines its row.
  static const LinkDriver* const drivers[] = {&UsbDriver, &SerialDriver, &ParallelDriver,
                                              &TcpDriver};
  if (kind < 0 || kind >= static_cast<InterfaceKind>(sizeof drivers / sizeof drivers[0]))
    return nullptr;
  return drivers[kind];
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
                 LinkProgress* progress, const WriteShare* lastWrite) {
  if (driver == nullptr) return true;
  const LinkSettings& settings = CurrentLinkSettings();
  if (progress == nullptr || lastWrite == nullptr)
    return driver->close(handle, settings, mode, progress);
  ClosingProgress closing(*progress, *lastWrite);
  return driver->close(handle, settings, mode, &closing);
}

bool WriteLinkOn(const LinkDriver* driver, LinkHandle handle, const void* buffer, uint32_t length,
                 const WritePlace& place, LinkProgress* progress) {
  const LinkSettings& settings = CurrentLinkSettings();
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
    if (!driver->writeChunk(handle, bytes + (length - remaining), chunk, more, settings, progress))
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

bool ReadLinkByteOn(const LinkDriver* driver, LinkHandle handle, uint8_t& out,
                    LinkProgress* progress) {
  return driver != nullptr && driver->readByte(handle, out, CurrentLinkSettings(), progress);
}

}  // namespace varnalux
