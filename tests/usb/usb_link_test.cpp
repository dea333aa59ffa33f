// The USB link against emulated printers: libusb, the usbfs ioctls and the
// facade run as they do with a real printer.
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "link/printer_link.h"
#include "link/usb_devices.h"
#include "operations/dispatcher.h"
#include "protocol/printer_config.h"
#include "protocol/report_exchange.h"
#include "sim/virtual_printer.h"
#include "tests/support/kind_link.h"
#include "tests/usb/usb_fixture.h"

namespace varnalux {
namespace {

using test::FakeUsbOptions;
using test::FakeUsbPrinter;
using test::RecordingProgress;
using test::TestReadTimeoutMs;
using test::UsbBoundLink;
using testing::KindLink;
using UsbLinkTest = test::UsbTest;

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Answers as a printer does: ESC ! ? with the virtual printer's status byte,
// "DIAGNOSTIC INTERFACE ..." with {2|OK}, "DIAGNOSTIC REPORT KEY" with the
// virtual printer's value for the key, framed (nothing for an unknown key).
FakeUsbPrinter::Responder PrinterResponder(sim::VirtualPrinter& printer) {
  auto pending = std::make_shared<std::string>();
  return [&printer, pending](const std::string& out) {
    std::string reply;
    *pending += out;
    for (;;) {
      if (pending->compare(0, 3, "\x1b!?") == 0) {
        reply += static_cast<char>(printer.StatusByte());
        pending->erase(0, 3);
        continue;
      }
      size_t end = pending->find("\r\n");
      if (end == std::string::npos) break;
      std::string line = pending->substr(0, end);
      pending->erase(0, end + 2);
      if (line.rfind("DIAGNOSTIC INTERFACE ", 0) == 0) {
        reply += "{2|OK}";
      } else if (line.rfind("DIAGNOSTIC REPORT ", 0) == 0) {
        bool found = false;
        std::string value = printer.ReportValue(line.substr(18), found);
        if (found) reply += "{" + std::to_string(value.size()) + "|" + value + "}";
      }
    }
    return reply;
  };
}

std::string Bytes(size_t count, int seed) {
  std::string s(count, '\0');
  for (size_t i = 0; i < count; ++i)
    s[i] = static_cast<char>((i * 7 + static_cast<size_t>(seed)) & 0xFF);
  return s;
}

std::string ReadAll(LinkHandle h, size_t max) {
  std::string got;
  uint8_t b = 0;
  while (got.size() < max && KindLink(KindUsb).ReadByte(h, b)) got.push_back(static_cast<char>(b));
  return got;
}

TEST_F(UsbLinkTest, OnlyTheVendorMattersAndTheFirstPresentDeviceWins) {
  FakeUsbPrinter& decoy = AddPrinter(2, 0x04b8);
  FakeUsbPrinter& first = AddPrinter(3, 0x1203, 0x0101);
  FakeUsbPrinter& second = AddPrinter(4, 0x1203, 0x0202);

  std::vector<UsbPrinterInfo> listed;
  ASSERT_TRUE(ListPrinterDevices(UsbContext(), false, listed));
  ASSERT_EQ(listed.size(), 2u);  // the decoy's vendor is not ours
  FakeUsbPrinter& used = listed[0].address == 3 ? first : second;
  FakeUsbPrinter& other = listed[0].address == 3 ? second : first;

  for (int round = 0; round < 3; ++round) {
    LinkHandle h = KindLink(KindUsb).Open();
    ASSERT_NE(h, InvalidLink);
    EXPECT_GE(h, 0);
    EXPECT_TRUE(KindLink(KindUsb).Write(h, "X", 1));
    KindLink(KindUsb).Close(h);
  }
  EXPECT_EQ(used.Received(), "XXX");
  EXPECT_EQ(used.Claims(), 3);
  EXPECT_EQ(used.Releases(), 3);
  EXPECT_EQ(other.Received(), "");
  EXPECT_EQ(other.Claims(), 0);
  EXPECT_EQ(decoy.Claims(), 0);
  EXPECT_EQ(decoy.Received(), "");

  // The first one busy: the open fails rather than taking another device.
  used.SetClaimBusy(true);
  EXPECT_EQ(RunOperation(OpTestConnection, KindUsb, nullptr, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::Busy);
  EXPECT_EQ(other.Claims(), 0);
}

TEST_F(UsbLinkTest, NoDeviceOfTheVendorIsAPortOpenError) {
  AddPrinter(2, 0x04b8);
  AddPrinter(3, 0x2312);  // the vendor's digits in another order
  EXPECT_EQ(KindLink(KindUsb).Open(), InvalidLink);
  PrinterStatus status;
  EXPECT_EQ(RunOperation(OpQueryStatus, KindUsb, &status, 0), ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::Missing);
  EXPECT_STREQ(LastOpenFailureText(), "No printer is connected.");
}

TEST_F(UsbLinkTest, APrinterPluggedInLaterIsFoundByALaterOperation) {
  EXPECT_EQ(RunOperation(OpTestConnection, KindUsb, nullptr, 0), ResultPortOpenError);
  ASSERT_NE(UsbContext(), nullptr);  // the link's context exists before the printer
  FakeUsbPrinter& p = AddPrinter(5);
  // The system reports the new device on its own time; well within a second.
  ResultCode code = ResultPortOpenError;
  for (int i = 0; i < 100 && code != ResultOk; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    code = RunOperation(OpTestConnection, KindUsb, nullptr, 0);
  }
  EXPECT_EQ(code, ResultOk);
  EXPECT_EQ(p.Claims(), 1);
}

TEST_F(UsbLinkTest, VendorSpecificInterfaceServesWhenThereIsNoPrinterClass) {
  FakeUsbOptions o;
  o.interfaceClass = 0xFF;
  FakeUsbPrinter& p = bus_->Add(o);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  EXPECT_TRUE(KindLink(KindUsb).Write(h, "AB", 2));
  KindLink(KindUsb).Close(h);
  EXPECT_EQ(p.Received(), "AB");
}

TEST_F(UsbLinkTest, WritesGoOutInChunksOf64WithPercentTicks) {
  FakeUsbPrinter& p = AddPrinter(2);
  RecordingProgress view;
  SetProgressView(&view);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);

  std::string data = Bytes(150, 1);
  ShowProgress(ProgressPercentMode, 0, 0);
  ASSERT_TRUE(KindLink(KindUsb).Write(h, data.data(), 150));
  std::vector<std::string> chunks = p.OutTransfers();
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].size(), 64u);
  EXPECT_EQ(chunks[1].size(), 64u);
  EXPECT_EQ(chunks[2].size(), 22u);
  EXPECT_EQ(p.Received(), data);
  EXPECT_EQ(view.positions, (std::vector<int>{0, 42, 85, 100}));
  EXPECT_EQ(view.pumps, 3);  // the window is served between chunks

  ShowProgress(ProgressPercentMode, 0, 0);
  std::string more = Bytes(130, 2);
  ASSERT_TRUE(KindLink(KindUsb).Write(h, more.data(), 130));
  EXPECT_EQ(view.positions, (std::vector<int>{0, 49, 98, 100}));
  EXPECT_EQ(ProgressPosition(), 100);
  EXPECT_EQ(p.Received(), data + more);
  KindLink(KindUsb).Close(h);
}

TEST_F(UsbLinkTest, AReplyArrivesInRefillsAndIsDeliveredByteByByte) {
  FakeUsbPrinter& p = AddPrinter(2);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);

  std::string reply = Bytes(100, 3);
  p.QueueIn(reply);
  std::string got = ReadAll(h, 100);
  ASSERT_EQ(got.size(), 100u);
  EXPECT_TRUE(got == reply);
  EXPECT_EQ(p.InTransfers(), (std::vector<int>{64, 36}));

  // Bytes left unread by one operation are gone at the next open.
  p.QueueIn("LEFTOVER");
  uint8_t b = 0;
  ASSERT_TRUE(KindLink(KindUsb).ReadByte(h, b));
  EXPECT_EQ(b, 'L');
  KindLink(KindUsb).Close(h);
  h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  p.QueueIn("N");
  ASSERT_TRUE(KindLink(KindUsb).ReadByte(h, b));
  EXPECT_EQ(b, 'N');
  KindLink(KindUsb).Close(h);
}

TEST_F(UsbLinkTest, AHighSpeedPacketOf512BytesIsNotCutOff) {
  FakeUsbOptions o;
  o.inPacketSize = 512;
  FakeUsbPrinter& p = bus_->Add(o);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  std::string reply = Bytes(512 + 100, 4);  // one full packet and a short one
  p.QueueIn(reply);
  std::string got = ReadAll(h, reply.size());
  ASSERT_EQ(got.size(), reply.size());
  EXPECT_TRUE(got == reply);
  EXPECT_EQ(p.InTransfers(), (std::vector<int>{512, 100}));
  KindLink(KindUsb).Close(h);
}

TEST_F(UsbLinkTest, SilenceEndsTheReadAfterTheTimeOutAndCancelsIt) {
  FakeUsbPrinter& p = AddPrinter(2);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  uint8_t b = 0;
  auto start = Clock::now();
  EXPECT_FALSE(KindLink(KindUsb).ReadByte(h, b));
  long elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, TestReadTimeoutMs - 20);
  EXPECT_LT(elapsed, TestReadTimeoutMs + 1000);
  EXPECT_EQ(p.InSubmitted(), 1);
  EXPECT_EQ(p.InCancelled(), 1);  // nothing stays pending on the device
  // A byte that comes later is read by the next request.
  p.QueueIn("Z");
  ASSERT_TRUE(KindLink(KindUsb).ReadByte(h, b));
  EXPECT_EQ(b, 'Z');
  KindLink(KindUsb).Close(h);
}

TEST_F(UsbLinkTest, BindingTheSettingsRestoresTheFiveSecondReadTimeOut) {
  FakeUsbPrinter& p = AddPrinter(2);
  // A fixture that forgot its shortened time-out cannot leak it: binding
  // starts from the link's own bounds again.
  UsbBoundLink rebound;
  EXPECT_EQ(CurrentLinkSettings().timeouts.usb.read, std::chrono::milliseconds(TestReadTimeoutMs));
  BindLinkSettings(rebound.serial, rebound.parallel, rebound.tcp);
  EXPECT_EQ(CurrentLinkSettings().timeouts.usb.read, std::chrono::milliseconds(5000));
  // The bound in force is the one a silent read waits for: a byte that comes
  // after 300 ms is still read under the five-second bound.
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  std::thread late([&p] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    p.QueueIn("L");
  });
  uint8_t b = 0;
  EXPECT_TRUE(KindLink(KindUsb).ReadByte(h, b));
  late.join();
  EXPECT_EQ(b, 'L');
  KindLink(KindUsb).Close(h);
}

TEST_F(UsbLinkTest, StallsRefusalsAndShortWritesBecomeResultCodes) {
  FakeUsbPrinter& p = AddPrinter(2);
  const char text[] = "SIZE 100 mm, 50 mm\r\n";
  uint8_t* raw = reinterpret_cast<uint8_t*>(const_cast<char*>(text));
  int32_t length = static_cast<int32_t>(strlen(text));

  p.SetStallOut(true);
  EXPECT_EQ(RunOperation(OpSendRaw, KindUsb, raw, length), ResultTransmitError);
  p.SetStallOut(false);

  p.SetOutLimit(10);  // the printer took only part of the chunk
  EXPECT_EQ(RunOperation(OpSendRaw, KindUsb, raw, length), ResultTransmitError);
  p.SetOutLimit(-1);

  p.SetStallIn(true);
  PrinterStatus status;
  EXPECT_EQ(RunOperation(OpQueryStatus, KindUsb, &status, 0), ResultReceiveError);
  p.SetStallIn(false);

  p.SetClaimBusy(true);  // another program holds the interface
  EXPECT_EQ(RunOperation(OpSendRaw, KindUsb, raw, length), ResultPortOpenError);
  p.SetClaimBusy(false);

  EXPECT_EQ(RunOperation(OpSendRaw, KindUsb, raw, length), ResultOk);
  EXPECT_EQ(p.Claims(), p.Releases());
}

TEST_F(UsbLinkTest, APrinterThatTakesNothingFailsTheWriteAfterItsBound) {
  FakeUsbPrinter& p = AddPrinter(2);
  p.SetOutNak(true);
  // The bound is 10 ms per byte plus a base (5000 ms unless shortened).
  CurrentLinkSettings().timeouts.usb.writeBase = std::chrono::milliseconds(300);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  auto start = Clock::now();
  EXPECT_FALSE(KindLink(KindUsb).Write(h, "ABCDEFGHIJ", 10));
  long elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 300 + 100);
  EXPECT_LT(elapsed, 3000);
  KindLink(KindUsb).Close(h);
}

TEST_F(UsbLinkTest, UnpluggingGivesErrorsNotHangs) {
  FakeUsbPrinter& p = AddPrinter(2);
  std::string data = Bytes(300, 5);
  uint8_t* raw = reinterpret_cast<uint8_t*>(data.data());

  // Gone after the second chunk of a five-chunk write.
  p.UnplugAfterOutTransfers(2);
  auto start = Clock::now();
  EXPECT_EQ(RunOperation(OpSendRaw, KindUsb, raw, 300), ResultTransmitError);
  EXPECT_LT(ElapsedMs(start), 2000);
  EXPECT_EQ(p.OutTransfers().size(), 2u);

  // Gone between operations.
  p.Unplug();
  EXPECT_EQ(RunOperation(OpTestConnection, KindUsb, nullptr, 0), ResultPortOpenError);
}

TEST_F(UsbLinkTest, UnpluggedWhileTheAnswerIsAwaited) {
  FakeUsbPrinter& p = AddPrinter(2);
  p.UnplugAfterOutTransfers(1);  // takes the status query, then vanishes
  PrinterStatus status;
  auto start = Clock::now();
  EXPECT_EQ(RunOperation(OpQueryStatus, KindUsb, &status, 0), ResultReceiveError);
  EXPECT_LT(ElapsedMs(start), TestReadTimeoutMs + 1000);
  p.Unplug();
  EXPECT_EQ(RunOperation(OpQueryStatus, KindUsb, &status, 0), ResultPortOpenError);
}

TEST_F(UsbLinkTest, ABoundKernelDriverIsDetachedForTheOperationAndGivenBack) {
  FakeUsbOptions o;
  o.kernelDriverBound = true;
  FakeUsbPrinter& p = bus_->Add(o);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  EXPECT_FALSE(p.KernelDriverBound());
  EXPECT_EQ(p.Detaches(), 1);
  EXPECT_TRUE(KindLink(KindUsb).Write(h, "X", 1));
  KindLink(KindUsb).Close(h);
  EXPECT_TRUE(p.KernelDriverBound());
  EXPECT_EQ(p.Attaches(), 1);
  EXPECT_EQ(p.Releases(), 1);
}

TEST_F(UsbLinkTest, HandlesOtherThanTheOpenOneAreRefused) {
  FakeUsbPrinter& p = AddPrinter(2);
  LinkHandle h = KindLink(KindUsb).Open();
  ASSERT_NE(h, InvalidLink);
  KindLink(KindUsb).Close(h);
  EXPECT_FALSE(KindLink(KindUsb).Write(h, "X", 1));  // closed
  LinkHandle again = KindLink(KindUsb).Open();
  ASSERT_NE(again, InvalidLink);
  EXPECT_NE(again, h);
  EXPECT_FALSE(KindLink(KindUsb).Write(h, "X", 1));  // an earlier open's handle
  KindLink(KindUsb).Close(h);                        // does not close the current one
  EXPECT_TRUE(KindLink(KindUsb).Write(again, "Y", 1));
  KindLink(KindUsb).Close(again);
  EXPECT_EQ(p.Received(), "Y");
}

// Drops (or restores) the capability that lets root open any file, for the
// calling thread only, so that file permissions apply as to a normal user.
bool SetDacOverride(bool on) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  const unsigned bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
  if (on)
    data[0].effective |= bits & data[0].permitted;
  else
    data[0].effective &= ~bits;
  return syscall(SYS_capset, &header, data) == 0;
}

TEST_F(UsbLinkTest, ADeniedDeviceNodeExplainsWhatToDo) {
  AddPrinter(2);
  const char* root = getenv("UMOCKDEV_DIR");
  ASSERT_NE(root, nullptr);
  std::string node = std::string(root) + "/dev/bus/usb/001/002";
  ASSERT_EQ(chmod(node.c_str(), 0), 0);
  ASSERT_TRUE(SetDacOverride(false));
  ResultCode code = RunOperation(OpTestConnection, KindUsb, nullptr, 0);
  SetDacOverride(true);
  EXPECT_EQ(code, ResultPortOpenError);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::Denied);
  EXPECT_NE(strstr(LastOpenFailureText(), "scripts/install-udev-rule.sh"), nullptr);

  // Once the node is open to the user again, the hint goes away.
  ASSERT_EQ(chmod(node.c_str(), 0666), 0);
  EXPECT_EQ(RunOperation(OpTestConnection, KindUsb, nullptr, 0), ResultOk);
  EXPECT_EQ(LastOpenFailure(), OpenFailure::None);
  EXPECT_STREQ(LastOpenFailureText(), "");
}

TEST_F(UsbLinkTest, StatusQueryOverUsb) {
  FakeUsbPrinter& p = AddPrinter(2);
  sim::VirtualPrinter printer;
  printer.SetStatusByte(0x05);  // head open, out of paper
  p.SetResponder(PrinterResponder(printer));
  PrinterStatus status;
  ASSERT_EQ(RunOperation(OpQueryStatus, KindUsb, &status, 0), ResultOk);
  EXPECT_EQ(p.Received(), "\x1b!?");
  EXPECT_EQ(StatusToByte(status), 0x05);
  EXPECT_FALSE(StatusReady(status));
}

TEST_F(UsbLinkTest, ConfigurationReadOverUsb) {
  FakeUsbPrinter& p = AddPrinter(2);
  sim::PrinterOptions options;
  options.dpi = 300;
  sim::VirtualPrinter printer(options);
  p.SetResponder(PrinterResponder(printer));
  PrinterConfig config;
  ResetConfig(config);
  ASSERT_EQ(RunOperation(OpReadConfig, KindUsb, &config, 1), ResultOk);

  bool found = false;
  EXPECT_STREQ(config.version, printer.ReportValue("VERSION", found).c_str());
  EXPECT_STREQ(config.checksum, printer.ReportValue("CHECKSUM", found).c_str());
  EXPECT_EQ(config.dpi, 300.0f);
  EXPECT_EQ(config.density, atoi(printer.ReportValue("DENSITY", found).c_str()));
  // Lengths come back in dots and are kept in millimetres.
  float widthDots = static_cast<float>(atoi(printer.ReportValue("PAPERWIDTH", found).c_str()));
  EXPECT_GT(widthDots, 0.0f);
  EXPECT_NEAR(config.paperWidth, widthDots / config.dotsPerMm, 0.01f);
  EXPECT_EQ(config.codePageValid, 1);
  EXPECT_EQ(config.shiftXBaseValid, 1);
  // The exchange opened with the announcement for USB.
  EXPECT_EQ(p.Received().rfind("\r\nDIAGNOSTIC INTERFACE USB\r\n", 0), 0u);
  EXPECT_EQ(p.Claims(), 1);
  EXPECT_EQ(p.Releases(), 1);
}

}  // namespace
}  // namespace varnalux
