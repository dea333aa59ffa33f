// Emulated USB printers for the link tests, on umockdev: each device has the
// sysfs attributes libusb reads (descriptors, bus and device numbers, speed,
// active configuration) and a device node whose usbfs ioctls are answered
// here, so libusb and the link run their real code paths against it.
//
// The test program must run under umockdev-wrapper. The ioctls arrive on
// umockdev's worker thread; every public call is thread-safe.
#pragma once

#include <umockdev.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace varnalux::test {

struct FakeUsbOptions {
  uint16_t vendor = 0x1203;
  uint16_t product = 0x0001;
  uint8_t bus = 1;
  uint8_t address = 2;
  uint16_t inPacketSize = 64;  // 512 makes a high-speed device
  uint8_t interfaceClass = 7;  // 7 printer, 0xFF vendor specific
  bool kernelDriverBound = false;
};

class FakeUsbPrinter {
 public:
  // Bytes to queue on the IN endpoint in answer to the bytes of one OUT
  // transfer; called on umockdev's thread with the device's lock held.
  using Responder = std::function<std::string(const std::string& outBytes)>;

  FakeUsbPrinter(UMockdevTestbed* testbed, const FakeUsbOptions& options);
  ~FakeUsbPrinter();
  FakeUsbPrinter(const FakeUsbPrinter&) = delete;
  FakeUsbPrinter& operator=(const FakeUsbPrinter&) = delete;

  const FakeUsbOptions& Options() const { return options_; }

  // Every OUT transfer's bytes, in order.
  std::vector<std::string> OutTransfers() const;
  std::string Received() const;
  // The byte count of every completed IN transfer, in order.
  std::vector<int> InTransfers() const;
  int InSubmitted() const;
  int InCancelled() const;

  // Queues bytes on the IN endpoint; they leave in packets of the endpoint's
  // size (a shorter last packet ends a transfer, as on the bus).
  void QueueIn(const std::string& bytes);
  void SetResponder(Responder responder);

  void SetClaimBusy(bool busy);
  void SetStallOut(bool stall);
  void SetStallIn(bool stall);
  // OUT transfers are never taken (the printer keeps saying "not now").
  void SetOutNak(bool nak);
  // The next OUT transfers are taken only up to this many bytes (-1: all).
  void SetOutLimit(int bytes);
  // After this many more OUT transfers the device is gone (-1: never).
  void UnplugAfterOutTransfers(int count);
  // Removes the device from the bus at once.
  void Unplug();
  bool Unplugged() const;

  int Claims() const;
  int Releases() const;
  bool KernelDriverBound() const;
  int Detaches() const;
  int Attaches() const;

 private:
  struct Urb {
    UMockdevIoctlClient* client;
    UMockdevIoctlData* urb;
    UMockdevIoctlData* buffer;
  };
  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  static void OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
  gboolean Handle(UMockdevIoctlClient* client);
  void SubmitUrb(UMockdevIoctlClient* client);
  void ReapUrb(UMockdevIoctlClient* client);
  void DiscardUrb(UMockdevIoctlClient* client);
  // Completes pending IN transfers from the queued packets.
  void ServeIn();
  void Finish(Urb& u, int status, int actual);
  void DropUrbs(UMockdevIoctlClient* client);
  void EndPending(int status);
  void RemoveFromTestbed();

  UMockdevTestbed* testbed_;
  FakeUsbOptions options_;
  std::string syspath_;
  std::string devnode_;
  UMockdevIoctlBase* handler_ = nullptr;

  mutable std::mutex mutex_;
  std::vector<Urb> pendingIn_;
  std::vector<Urb> pendingOut_;
  std::vector<Urb> done_;
  std::vector<std::string> inPackets_;
  std::vector<std::string> outTransfers_;
  std::vector<int> inTransfers_;
  int inSubmitted_ = 0;
  int inCancelled_ = 0;
  Responder responder_;
  bool claimBusy_ = false;
  bool stallOut_ = false;
  bool stallIn_ = false;
  bool outNak_ = false;
  int outLimit_ = -1;
  int unplugAfter_ = -1;
  bool unplugged_ = false;
  bool removed_ = false;
  int claims_ = 0;
  int releases_ = 0;
  bool driverBound_ = false;
  int detaches_ = 0;
  int attaches_ = 0;
};

// A umockdev testbed with emulated printers. Devices added before the USB
// link's libusb context is created are enumerated by it at once.
class FakeUsbBus {
 public:
  FakeUsbBus();
  ~FakeUsbBus();
  FakeUsbBus(const FakeUsbBus&) = delete;
  FakeUsbBus& operator=(const FakeUsbBus&) = delete;

  bool InMockEnvironment() const;
  FakeUsbPrinter& Add(const FakeUsbOptions& options);
  UMockdevTestbed* Testbed() { return testbed_; }

 private:
  UMockdevTestbed* testbed_;
  std::vector<std::unique_ptr<FakeUsbPrinter>> devices_;
};

}  // namespace varnalux::test
