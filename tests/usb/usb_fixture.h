// Shared set-up of the USB tests: a fresh emulated bus per test, and a fresh
// libusb context (the link's) that enumerates it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/link_settings.h"
#include "link/usb_link.h"
#include "operations/progress.h"
#include "tests/usb/fake_usb_printer.h"

namespace varnalux::test {

// Short, since the emulated printer is on this machine; the link's own
// default is 5000 ms.
inline constexpr int TestReadTimeoutMs = 200;

// Link records bound for the test, with the progress window as observer and
// the short USB read time-out; unbound at the end.
struct UsbBoundLink {
  SerialSettings serial{};
  char parallel[ParallelNameSize] = {};
  TcpTarget tcp{};
  UsbBoundLink() {
    InitialSerialSettings(serial);
    InitialParallelName(parallel);
    InitialTcpTarget(tcp);
    BindLinkSettings(serial, parallel, tcp, &ProgressObserver());
    CurrentLinkSettings().timeouts.usb.read = std::chrono::milliseconds(TestReadTimeoutMs);
  }
  ~UsbBoundLink() { UnbindLinkSettings(); }
};

class UsbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UsbShutdown();
    link_ = std::make_unique<UsbBoundLink>();
    bus_ = std::make_unique<FakeUsbBus>();
    ASSERT_TRUE(bus_->InMockEnvironment()) << "run this program under umockdev-wrapper";
  }
  void TearDown() override {
    UsbShutdown();
    bus_.reset();
    link_.reset();
    SetProgressView(nullptr);
  }

  // A printer at bus 1 with the given address.
  FakeUsbPrinter& AddPrinter(uint8_t address, uint16_t vendor = 0x1203, uint16_t product = 1) {
    FakeUsbOptions o;
    o.address = address;
    o.vendor = vendor;
    o.product = product;
    return bus_->Add(o);
  }

  std::unique_ptr<UsbBoundLink> link_;
  std::unique_ptr<FakeUsbBus> bus_;
};

// Records what the progress window would show.
class RecordingProgress : public ProgressView {
 public:
  void Open(int, int, const char*) override { positions.clear(); }
  void SetPosition(int position) override { positions.push_back(position); }
  void Close() override {}
  void ProcessPendingMessages() override { ++pumps; }
  std::vector<int> positions;
  int pumps = 0;
};

}  // namespace varnalux::test
