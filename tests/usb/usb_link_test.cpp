#include "link/usb_link.h"

#include <gtest/gtest.h>

#include "link/printer_link.h"
#include "tests/usb/fake_usb_printer.h"

namespace varnalux {
namespace {

using test::FakeUsbBus;
using test::FakeUsbOptions;
using test::FakeUsbPrinter;

class UsbLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UsbShutdown();
    SetUsbReadTimeoutForTests(200);
    bus_ = std::make_unique<FakeUsbBus>();
    ASSERT_TRUE(bus_->InMockEnvironment()) << "run this program under umockdev-wrapper";
  }
  void TearDown() override {
    UsbShutdown();
    bus_.reset();
    SetUsbReadTimeoutForTests(0);
  }
  std::unique_ptr<FakeUsbBus> bus_;
};

TEST_F(UsbLinkTest, Smoke) {
  FakeUsbPrinter& p = bus_->Add({});
  LinkHandle h = OpenLink(KindUsb);
  ASSERT_NE(h, InvalidLink);
  std::string data(150, 'x');
  EXPECT_TRUE(WriteLink(h, KindUsb, data.data(), 150));
  auto t = p.OutTransfers();
  ASSERT_EQ(t.size(), 3u);
  p.QueueIn("hello");
  uint8_t b;
  EXPECT_TRUE(ReadLinkByte(h, KindUsb, b));
  EXPECT_EQ(b, 'h');
  CloseLink(KindUsb, h);
}

}  // namespace
}  // namespace varnalux
