#include "link/usb_link.h"

#include <libusb.h>

#include <climits>

#include "link/link_settings.h"
#include "link/usb_devices.h"

namespace varnalux {

namespace {

// A refill asks for one packet: at least 64 bytes, and never less than the
// endpoint's packet size, since a packet longer than the request would be
// cut off (libusb reports an overflow and the bytes are gone).
constexpr uint32_t UsbMinimumRefill = 64;
constexpr uint32_t UsbMaximumRefill = 1024;  // the largest bulk packet of any speed

struct OpenDevice {
  libusb_device_handle* handle = nullptr;
  libusb_device* device = nullptr;
  UsbPrinterEndpoints endpoints;
  bool interfaceClaimed = false;
  bool kernelDriverDetached = false;
  intptr_t cookie = -1;
};

struct UsbModule {
  libusb_context* context = nullptr;
  bool contextFailed = false;
  OpenDevice open;
  intptr_t lastCookie = 0;
  ReceiveRing ring;

  ~UsbModule() { Shutdown(); }

  void CloseOpen() {
    OpenDevice& o = open;
    if (o.handle != nullptr) {
      if (o.interfaceClaimed) libusb_release_interface(o.handle, o.endpoints.interfaceNumber);
      if (o.kernelDriverDetached)
        libusb_attach_kernel_driver(o.handle, o.endpoints.interfaceNumber);
      libusb_close(o.handle);
    }
    if (o.device != nullptr) libusb_unref_device(o.device);
    o = OpenDevice{};
  }

  void Shutdown() {
    CloseOpen();
    if (context != nullptr) libusb_exit(context);
    context = nullptr;
    contextFailed = false;
  }
};

UsbModule g_usb;

bool IsOpenHandle(intptr_t handle) {
  return handle >= 0 && g_usb.open.handle != nullptr && handle == g_usb.open.cookie;
}

intptr_t NextCookie() {
  g_usb.lastCookie = g_usb.lastCookie >= INTPTR_MAX - 1 ? 0 : g_usb.lastCookie + 1;
  return g_usb.lastCookie;
}

// One bulk read of up to a packet into the ring. Bytes that came before a
// time-out or an error are kept.
void Refill(milliseconds readTimeout) {
  const OpenDevice& o = g_usb.open;
  if (o.endpoints.inEndpoint == 0) return;  // a printer that only listens
  uint32_t size = o.endpoints.inPacketSize;
  if (size < UsbMinimumRefill) size = UsbMinimumRefill;
  if (size > UsbMaximumRefill) size = UsbMaximumRefill;
  uint8_t buffer[UsbMaximumRefill];
  int transferred = 0;
  int timeout = readTimeout.count() > 0 ? static_cast<int>(readTimeout.count()) : 1;
  libusb_bulk_transfer(o.handle, o.endpoints.inEndpoint, buffer, static_cast<int>(size),
                       &transferred, static_cast<unsigned int>(timeout));
  if (transferred > 0 && static_cast<uint32_t>(transferred) <= size)
    g_usb.ring.Append(buffer, static_cast<uint32_t>(transferred));
}

}  // namespace

libusb_context* UsbContext() {
  if (g_usb.context == nullptr && !g_usb.contextFailed) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) == 0)
      g_usb.context = context;
    else
      g_usb.contextFailed = true;  // no USB on this system: every open fails
  }
  return g_usb.context;
}

void UsbShutdown() { g_usb.Shutdown(); }

namespace {
OpenFailure FailureOf(int libusbError) {
  switch (libusbError) {
    case LIBUSB_ERROR_ACCESS: return OpenFailure::Denied;
    case LIBUSB_ERROR_BUSY: return OpenFailure::Busy;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: return OpenFailure::Missing;
    default: return OpenFailure::Other;
  }
}
}  // namespace

intptr_t UsbOpen(OpenFailure& why) {
  g_usb.CloseOpen();  // nothing stays open between operations
  why = OpenFailure::Missing;
  libusb_device* device = FindPrinterDevice(UsbContext());
  if (device == nullptr) return -1;
  OpenDevice& o = g_usb.open;
  o.device = device;
  if (!FindPrinterEndpoints(device, o.endpoints)) {
    g_usb.CloseOpen();
    return -1;
  }
  int rc = libusb_open(device, &o.handle);
  if (rc != 0) {
    o.handle = nullptr;
    why = FailureOf(rc);
    g_usb.CloseOpen();
    return -1;
  }
  const int intf = o.endpoints.interfaceNumber;
  // A bound kernel printer driver would hold the interface: lend it to us
  // and give it back at close.
  if (libusb_kernel_driver_active(o.handle, intf) == 1) {
    rc = libusb_detach_kernel_driver(o.handle, intf);
    if (rc != 0) {
      why = FailureOf(rc);
      g_usb.CloseOpen();
      return -1;
    }
    o.kernelDriverDetached = true;
  }
  rc = libusb_claim_interface(o.handle, intf);
  if (rc != 0) {
    why = FailureOf(rc);
    g_usb.CloseOpen();
    return -1;
  }
  o.interfaceClaimed = true;
  if (o.endpoints.altSetting != 0 &&
      libusb_set_interface_alt_setting(o.handle, intf, o.endpoints.altSetting) != 0) {
    why = OpenFailure::Other;
    g_usb.CloseOpen();
    return -1;
  }
  o.cookie = NextCookie();
  why = OpenFailure::None;
  return o.cookie;
}

void UsbClose(intptr_t handle) {
  if (IsOpenHandle(handle)) g_usb.CloseOpen();
}

uint32_t UsbWriteChunk(intptr_t handle, const uint8_t* data, uint32_t count,
                       const UsbTimeouts& timeouts) {
  if (!IsOpenHandle(handle) || data == nullptr || count == 0 || count > UsbSerialChunk) return 0;
  const OpenDevice& o = g_usb.open;
  const auto bound = timeouts.writePerByte * count + timeouts.writeBase;
  unsigned int timeout = bound.count() > 0 ? static_cast<unsigned int>(bound.count()) : 1u;
  int transferred = 0;
  int rc = libusb_bulk_transfer(o.handle, o.endpoints.outEndpoint, const_cast<uint8_t*>(data),
                                static_cast<int>(count), &transferred, timeout);
  if (rc != 0 || transferred != static_cast<int>(count)) return 0;
  return count;
}

bool UsbReadByte(intptr_t handle, uint8_t& out, const UsbTimeouts& timeouts) {
  if (g_usb.ring.Empty() && IsOpenHandle(handle)) Refill(timeouts.read);
  return g_usb.ring.Take(out);
}

ReceiveRing& UsbRing() { return g_usb.ring; }

const char* UsbAccessHint() { return OpenFailureText(KindUsb, OpenFailure::Denied); }

// The row the facade picks for this link: adapters from the facade's
// calls to the ones above.
namespace {

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
bool UsbWrite(LinkHandle handle, const uint8_t* at, uint32_t n, bool, const LinkSettings& s,
              LinkProgress*) {
  return UsbWriteChunk(handle, at, n, s.timeouts.usb) == n;
}
bool UsbRead(LinkHandle handle, uint8_t& out, const LinkSettings& s, LinkProgress*) {
  return UsbReadByte(handle, out, s.timeouts.usb);
}

}  // namespace

const LinkDriver UsbDriver = {UsbOpenLink, UsbCloseLink, UsbWrite, UsbRead, nullptr, UsbSerialChunk, false};

}  // namespace varnalux
