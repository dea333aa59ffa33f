// devices: what the program can see of the printer's possible links. The USB
// devices of the configured vendor (the first listed is the one --usb uses),
// the devices behind COM1..COM30 and behind LPT1..LPT4.
#include <libusb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "link/port_names.h"
#include "link/usb_devices.h"
#include "link/usb_link.h"

namespace varnalux {

namespace {

std::string OpenVerdict(int openResult) {
  switch (openResult) {
    case 0: return "yes";
    case LIBUSB_ERROR_ACCESS: return "no, permission denied";
    case LIBUSB_ERROR_BUSY: return "no, busy";
    case LIBUSB_ERROR_NO_DEVICE: return "no, gone";
    default: return std::string("no, ") + libusb_error_name(openResult);
  }
}

void ListUsb() {
  printf("USB printers (vendor %04x):\n", PrinterVendorId());
  libusb_context* context = UsbContext();
  std::vector<UsbPrinterInfo> devices;
  if (context == nullptr || !ListPrinterDevices(context, true, devices)) {
    printf("  USB devices cannot be listed on this system\n");
    return;
  }
  if (devices.empty()) printf("  none present\n");
  bool denied = false;
  for (size_t i = 0; i < devices.size(); ++i) {
    const UsbPrinterInfo& d = devices[i];
    printf("  bus %03u address %03u  product %04x  can open: %s%s\n", d.bus, d.address, d.product,
           OpenVerdict(d.openResult).c_str(), i == 0 ? "  (used by --usb)" : "");
    denied = denied || d.openResult == LIBUSB_ERROR_ACCESS;
  }
  if (denied) printf("  %s\n", UsbAccessHint());
}

const char* Presence(const std::string& device) {
  struct stat st {};
  if (device.empty() || stat(device.c_str(), &st) != 0) return "missing";
  if (access(device.c_str(), R_OK | W_OK) != 0) return "present, no access";
  return "present";
}

void ListPorts(const char* title, const char* prefix, int count) {
  printf("%s:\n", title);
  for (int n = 1; n <= count; ++n) {
    std::string name = prefix + std::to_string(n);
    std::string device = ResolvePortDevice(name.c_str());
    printf("  %-6s %-24s %-13s %s\n", name.c_str(), device.c_str(),
           PortMappingSource(name.c_str()).c_str(), Presence(device));
  }
}

}  // namespace

int CmdDevices(CliLink&, const CliArgs& args) {
  if (!args.empty()) return UsageError("devices");
  ListUsb();
  ListPorts("Serial ports", "COM", ComPortCount);
  ListPorts("Parallel ports", "LPT", LptPortCount);
  fflush(stdout);
  return 0;
}

}  // namespace varnalux
