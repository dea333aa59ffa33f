// Finding the printer among the USB devices present, and describing it.
#pragma once

#include <cstdint>
#include <vector>

struct libusb_device;
struct libusb_context;

namespace varnalux {

// The vendor number of the printers served, from the build setting
// PRINTER_VENDOR_ID (four hexadecimal digits); only usb_devices.cpp sees it.
uint16_t PrinterVendorId();

// The first present device of PrinterVendorId() in the order the system
// enumerates them (the product number is not looked at), with a reference
// the caller must drop with libusb_unref_device; null when none. The device
// list is read anew at every call.
libusb_device* FindPrinterDevice(libusb_context* context);

// The endpoints the link uses on a device: the printer-class interface
// (class 7; failing that the first interface with a bulk OUT endpoint), its
// alternate setting, bulk OUT and bulk IN endpoint addresses (0 when the
// interface has none) and the IN endpoint's packet size.
struct UsbPrinterEndpoints {
  int interfaceNumber = -1;
  int altSetting = 0;
  uint8_t outEndpoint = 0;
  uint8_t inEndpoint = 0;
  uint16_t inPacketSize = 0;
};
// False when the active configuration cannot be read or has no interface
// with a bulk OUT endpoint.
bool FindPrinterEndpoints(libusb_device* device, UsbPrinterEndpoints& endpoints);

// One present device of the printer's vendor, for listings.
struct UsbPrinterInfo {
  uint8_t bus = 0;
  uint8_t address = 0;
  uint16_t vendor = 0;
  uint16_t product = 0;
  // libusb's result of trying to open it: 0 when it can be opened
  // (LIBUSB_ERROR_ACCESS when this user may not).
  int openResult = 0;
};
// All present devices of the vendor, in the order FindPrinterDevice looks at
// them (so the first is the one operations use). With probeOpen each is
// opened and closed again to fill openResult. False when the devices cannot
// be listed at all.
bool ListPrinterDevices(libusb_context* context, bool probeOpen,
                        std::vector<UsbPrinterInfo>& devices);

}  // namespace varnalux
