#include "link/usb_devices.h"

#include <libusb.h>

#ifndef PRINTER_VENDOR_ID
#error "PRINTER_VENDOR_ID is set by the build"
#endif

namespace varnalux {

namespace {

constexpr int HexDigit(char c) {
  return c >= '0' && c <= '9'   ? c - '0'
         : c >= 'a' && c <= 'f' ? c - 'a' + 10
         : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                : -1;
}

// "1203" -> 0x1203; -1 unless exactly four hexadecimal digits.
constexpr int ParseVendorId(const char* text) {
  int value = 0;
  for (int i = 0; i < 4; ++i) {
    int digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return text[4] == '\0' ? value : -1;
}

constexpr int ConfiguredVendorId = ParseVendorId(PRINTER_VENDOR_ID);
static_assert(ConfiguredVendorId >= 0, "PRINTER_VENDOR_ID must be four hexadecimal digits");

constexpr uint8_t PrinterInterfaceClass = 7;

bool IsBulk(const libusb_endpoint_descriptor& e) {
  return (e.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
}

// The bulk endpoints of one alternate setting; true when it has a bulk OUT.
bool BulkEndpoints(const libusb_interface_descriptor& alt, UsbPrinterEndpoints& found) {
  UsbPrinterEndpoints e;
  e.interfaceNumber = alt.bInterfaceNumber;
  e.altSetting = alt.bAlternateSetting;
  for (int i = 0; i < alt.bNumEndpoints && alt.endpoint != nullptr; ++i) {
    const libusb_endpoint_descriptor& ep = alt.endpoint[i];
    if (!IsBulk(ep)) continue;
    if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
      if (e.inEndpoint == 0) {
        e.inEndpoint = ep.bEndpointAddress;
        e.inPacketSize = static_cast<uint16_t>(ep.wMaxPacketSize & 0x07FF);
      }
    } else if (e.outEndpoint == 0) {
      e.outEndpoint = ep.bEndpointAddress;
    }
  }
  if (e.outEndpoint == 0) return false;
  found = e;
  return true;
}

// Calls visit(alt) for each alternate setting of the configuration until it
// returns true.
template <typename Visit>
bool ForEachAltSetting(const libusb_config_descriptor& config, Visit visit) {
  for (int i = 0; i < config.bNumInterfaces && config.interface != nullptr; ++i) {
    const libusb_interface& intf = config.interface[i];
    for (int a = 0; a < intf.num_altsetting && intf.altsetting != nullptr; ++a) {
      if (visit(intf.altsetting[a])) return true;
    }
  }
  return false;
}

bool IsPrinterVendor(libusb_device* device) {
  libusb_device_descriptor d{};
  if (libusb_get_device_descriptor(device, &d) != 0) return false;
  return d.idVendor == PrinterVendorId();
}

}  // namespace

uint16_t PrinterVendorId() { return static_cast<uint16_t>(ConfiguredVendorId); }

libusb_device* FindPrinterDevice(libusb_context* context) {
  if (context == nullptr) return nullptr;
  libusb_device** list = nullptr;
  ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0 || list == nullptr) return nullptr;
  libusb_device* found = nullptr;
  for (ssize_t i = 0; i < count; ++i) {
    if (IsPrinterVendor(list[i])) {
      found = libusb_ref_device(list[i]);
      break;
    }
  }
  libusb_free_device_list(list, 1);
  return found;
}

bool FindPrinterEndpoints(libusb_device* device, UsbPrinterEndpoints& endpoints) {
  if (device == nullptr) return false;
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 || config == nullptr) return false;
  bool ok = ForEachAltSetting(*config, [&](const libusb_interface_descriptor& alt) {
    return alt.bInterfaceClass == PrinterInterfaceClass && BulkEndpoints(alt, endpoints);
  });
  // Some printers announce a vendor-specific interface instead of the
  // printer class; the first one that can take data then serves.
  if (!ok) {
    ok = ForEachAltSetting(*config, [&](const libusb_interface_descriptor& alt) {
      return BulkEndpoints(alt, endpoints);
    });
  }
  libusb_free_config_descriptor(config);
  return ok;
}

bool ListPrinterDevices(libusb_context* context, bool probeOpen,
                        std::vector<UsbPrinterInfo>& devices) {
  devices.clear();
  if (context == nullptr) return false;
  libusb_device** list = nullptr;
  ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0 || list == nullptr) return false;
  bool ok = true;
  try {
    for (ssize_t i = 0; i < count; ++i) {
      libusb_device_descriptor d{};
      if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
      if (d.idVendor != PrinterVendorId()) continue;
      UsbPrinterInfo info;
      info.bus = libusb_get_bus_number(list[i]);
      info.address = libusb_get_device_address(list[i]);
      info.vendor = d.idVendor;
      info.product = d.idProduct;
      if (probeOpen) {
        libusb_device_handle* handle = nullptr;
        info.openResult = libusb_open(list[i], &handle);
        if (info.openResult == 0) libusb_close(handle);
      }
      devices.push_back(info);
    }
  } catch (...) {
    ok = false;
  }
  libusb_free_device_list(list, 1);
  return ok;
}

}  // namespace varnalux
