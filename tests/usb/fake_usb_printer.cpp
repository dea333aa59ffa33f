#include "tests/usb/fake_usb_printer.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace varnalux::test {

namespace {

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}

// What the kernel shows in the device's sysfs "descriptors" file: the device
// descriptor followed by the whole configuration descriptor.
std::string Descriptors(const FakeUsbOptions& o) {
  std::string d;
  d += std::string{18, 1};
  Put16(d, o.inPacketSize >= 512 ? 0x0200 : 0x0110);  // bcdUSB
  d += std::string{0, 0, 0, 64};                      // class, subclass, protocol, ep0 size
  Put16(d, o.vendor);
  Put16(d, o.product);
  Put16(d, 0x0100);              // bcdDevice
  d += std::string{0, 0, 0, 1};  // string indexes, one configuration
  d += std::string{9, 2};
  Put16(d, 9 + 9 + 7 + 7);    // wTotalLength
  d += std::string{1, 1, 0};  // one interface, configuration value 1
  d.push_back(static_cast<char>(0xC0));
  d.push_back(50);
  d += std::string{9, 4, 0, 0, 2};  // interface 0, alternate 0, two endpoints
  d.push_back(static_cast<char>(o.interfaceClass));
  d += std::string{1, 2, 0};           // printer subclass, bidirectional
  d += std::string{7, 5, 0x01, 0x02};  // bulk OUT 1
  Put16(d, o.inPacketSize >= 512 ? 512 : 64);
  d.push_back(0);
  d += std::string{7, 5};
  d.push_back(static_cast<char>(0x82));  // bulk IN 2
  d.push_back(0x02);
  Put16(d, o.inPacketSize);
  d.push_back(0);
  return d;
}

std::string Digits3(int v) {
  char b[8];
  snprintf(b, sizeof b, "%03d", v);
  return b;
}

usbdevfs_urb* UrbOf(UMockdevIoctlData* d) { return reinterpret_cast<usbdevfs_urb*>(d->data); }

void Complete(UMockdevIoctlClient* client, long result, int error) {
  umockdev_ioctl_client_complete(client, result, error);
}

}  // namespace

FakeUsbPrinter::FakeUsbPrinter(UMockdevTestbed* testbed, const FakeUsbOptions& options)
    : testbed_(testbed), options_(options), driverBound_(options.kernelDriverBound) {
  char vendor[8], product[8];
  snprintf(vendor, sizeof vendor, "%04x", options.vendor);
  snprintf(product, sizeof product, "%04x", options.product);
  const std::string name = std::to_string(options.bus) + "-" + std::to_string(options.address);
  devnode_ = "/dev/bus/usb/" + Digits3(options.bus) + "/" + Digits3(options.address);
  syspath_ = "/sys/devices/" + name;
  std::string hex;
  for (unsigned char c : Descriptors(options)) {
    char b[4];
    snprintf(b, sizeof b, "%02x", c);
    hex += b;
  }
  // umockdev's device record format: P path, N device node, E property,
  // A text attribute, H binary attribute (hexadecimal).
  std::string record = "P: /devices/" + name + "\n";
  record += "N: " + devnode_.substr(5) + "\n";
  record += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n";
  record += "E: DEVNAME=" + devnode_ + "\n";
  record += "E: BUSNUM=" + Digits3(options.bus) + "\nE: DEVNUM=" + Digits3(options.address) + "\n";
  record += std::string("A: idVendor=") + vendor + "\\n\n";
  record += std::string("A: idProduct=") + product + "\\n\n";
  record += "A: busnum=" + std::to_string(options.bus) + "\\n\n";
  record += "A: devnum=" + std::to_string(options.address) + "\\n\n";
  record += std::string("A: speed=") + (options.inPacketSize >= 512 ? "480" : "12") + "\\n\n";
  record += "A: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n";
  record += "A: dev=189:" + std::to_string((options.bus - 1) * 128 + options.address - 1) + "\\n\n";
  record += "H: descriptors=" + hex + "\n";
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
    fprintf(stderr, "fake usb: add %s: %s\n", name.c_str(),
            error != nullptr ? error->message : "?");
    g_clear_error(&error);
    syspath_.clear();
  }
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(OnIoctl), this);
  g_signal_connect(handler_, "client-vanished", G_CALLBACK(OnVanished), this);
  if (!umockdev_testbed_attach_ioctl(testbed_, devnode_.c_str(), handler_, &error)) {
    fprintf(stderr, "fake usb: attach_ioctl %s: %s\n", devnode_.c_str(),
            error != nullptr ? error->message : "?");
    g_clear_error(&error);
  }
}

FakeUsbPrinter::~FakeUsbPrinter() {
  GError* error = nullptr;
  umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), &error);
  g_clear_error(&error);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Urb& u : pendingIn_) {
      g_object_unref(u.urb);
      g_object_unref(u.buffer);
    }
    for (Urb& u : done_) {
      g_object_unref(u.urb);
      g_object_unref(u.buffer);
    }
    for (Urb& u : pendingOut_) {
      g_object_unref(u.urb);
      g_object_unref(u.buffer);
    }
    pendingIn_.clear();
    pendingOut_.clear();
    done_.clear();
  }
  RemoveFromTestbed();
  g_object_unref(handler_);
}

void FakeUsbPrinter::RemoveFromTestbed() {
  bool remove = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    remove = !removed_;
    removed_ = true;
  }
  if (remove && !syspath_.empty()) umockdev_testbed_remove_device(testbed_, syspath_.c_str());
}

gboolean FakeUsbPrinter::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  return static_cast<FakeUsbPrinter*>(self)->Handle(client);
}

void FakeUsbPrinter::OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
  auto* p = static_cast<FakeUsbPrinter*>(self);
  std::lock_guard<std::mutex> lock(p->mutex_);
  p->DropUrbs(client);
}

void FakeUsbPrinter::DropUrbs(UMockdevIoctlClient* client) {
  for (std::vector<Urb>* list : {&pendingIn_, &pendingOut_, &done_}) {
    for (auto it = list->begin(); it != list->end();) {
      if (it->client == client) {
        g_object_unref(it->urb);
        g_object_unref(it->buffer);
        it = list->erase(it);
      } else {
        ++it;
      }
    }
  }
}

gboolean FakeUsbPrinter::Handle(UMockdevIoctlClient* client) {
  std::lock_guard<std::mutex> lock(mutex_);
  const gulong request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  GError* error = nullptr;
  auto resolve = [&](size_t size) -> UMockdevIoctlData* {
    UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, size, &error);
    g_clear_error(&error);
    return d;
  };

  if (unplugged_ && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB) {
    Complete(client, -1, ENODEV);
    return TRUE;
  }
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* d = resolve(sizeof(uint32_t));
      if (d == nullptr) break;
      uint32_t caps = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
      memcpy(d->data, &caps, sizeof caps);
      Complete(client, 0, 0);
      return TRUE;
    }
    case USBDEVFS_GETDRIVER: {
      UMockdevIoctlData* d = resolve(sizeof(usbdevfs_getdriver));
      if (d == nullptr) break;
      if (!driverBound_) {
        Complete(client, -1, ENODATA);
        return TRUE;
      }
      auto* g = reinterpret_cast<usbdevfs_getdriver*>(d->data);
      snprintf(g->driver, sizeof g->driver, "usblp");
      Complete(client, 0, 0);
      return TRUE;
    }
    case USBDEVFS_IOCTL: {
      UMockdevIoctlData* d = resolve(sizeof(usbdevfs_ioctl));
      if (d == nullptr) break;
      auto* io = reinterpret_cast<usbdevfs_ioctl*>(d->data);
      if (io->ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
        if (!driverBound_) {
          Complete(client, -1, ENODATA);
          return TRUE;
        }
        driverBound_ = false;
        ++detaches_;
        Complete(client, 0, 0);
        return TRUE;
      }
      if (io->ioctl_code == static_cast<int>(USBDEVFS_CONNECT)) {
        driverBound_ = true;
        ++attaches_;
        Complete(client, 0, 0);
        return TRUE;
      }
      Complete(client, -1, ENOTTY);
      return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
      if (claimBusy_ || driverBound_) {
        Complete(client, -1, EBUSY);
      } else {
        ++claims_;
        Complete(client, 0, 0);
      }
      return TRUE;
    case USBDEVFS_RELEASEINTERFACE:
      ++releases_;
      Complete(client, 0, 0);
      return TRUE;
    case USBDEVFS_SUBMITURB: SubmitUrb(client); return TRUE;
    case USBDEVFS_REAPURBNDELAY:
    case USBDEVFS_REAPURB: ReapUrb(client); return TRUE;
    case USBDEVFS_DISCARDURB: DiscardUrb(client); return TRUE;
    default: break;
  }
  fprintf(stderr, "fake usb: unanswered ioctl 0x%lx\n", static_cast<unsigned long>(request));
  Complete(client, -1, ENOTTY);
  return TRUE;
}

void FakeUsbPrinter::Finish(Urb& u, int status, int actual) {
  usbdevfs_urb* urb = UrbOf(u.urb);
  urb->status = status;
  urb->actual_length = actual;
  done_.push_back(u);
}

void FakeUsbPrinter::EndPending(int status) {
  for (Urb& p : pendingIn_) Finish(p, status, 0);
  for (Urb& p : pendingOut_) Finish(p, status, 0);
  pendingIn_.clear();
  pendingOut_.clear();
}

void FakeUsbPrinter::SubmitUrb(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  GError* error = nullptr;
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), &error);
  g_clear_error(&error);
  if (urbData == nullptr) {
    Complete(client, -1, EFAULT);
    return;
  }
  usbdevfs_urb* urb = UrbOf(urbData);
  if (urb->type != USBDEVFS_URB_TYPE_BULK || urb->buffer_length < 0) {
    Complete(client, -1, EINVAL);
    return;
  }
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), &error);
  g_clear_error(&error);
  if (buffer == nullptr) {
    Complete(client, -1, EFAULT);
    return;
  }
  Urb u{client, static_cast<UMockdevIoctlData*>(g_object_ref(urbData)),
        static_cast<UMockdevIoctlData*>(g_object_ref(buffer))};
  const bool in = (urb->endpoint & 0x80) != 0;
  if (in) {
    ++inSubmitted_;
    if (stallIn_) {
      Finish(u, -EPIPE, 0);
    } else {
      pendingIn_.push_back(u);
      ServeIn();
    }
  } else if (stallOut_) {
    Finish(u, -EPIPE, 0);
  } else if (outNak_) {
    pendingOut_.push_back(u);  // taken never, until the host gives up
  } else {
    int taken = urb->buffer_length;
    if (outLimit_ >= 0 && taken > outLimit_) taken = outLimit_;
    std::string bytes(reinterpret_cast<const char*>(buffer->data), static_cast<size_t>(taken));
    outTransfers_.push_back(bytes);
    Finish(u, 0, taken);
    if (responder_) {
      std::string reply = responder_(bytes);
      for (size_t at = 0; at < reply.size(); at += options_.inPacketSize)
        inPackets_.push_back(reply.substr(at, options_.inPacketSize));
      ServeIn();
    }
    if (unplugAfter_ > 0 && --unplugAfter_ == 0) {
      unplugged_ = true;
      // A vanished device ends what is still pending.
      EndPending(-ESHUTDOWN);
    }
  }
  Complete(client, 0, 0);
}

void FakeUsbPrinter::ServeIn() {
  while (!pendingIn_.empty() && !inPackets_.empty()) {
    Urb u = pendingIn_.front();
    pendingIn_.erase(pendingIn_.begin());
    usbdevfs_urb* urb = UrbOf(u.urb);
    const size_t room = static_cast<size_t>(urb->buffer_length);
    size_t got = 0;
    int status = 0;
    while (!inPackets_.empty()) {
      std::string packet = inPackets_.front();
      if (packet.size() > room - got) {
        // The device sent more than the transfer asked for: the host
        // controller reports babble and the packet is lost.
        inPackets_.erase(inPackets_.begin());
        status = -EOVERFLOW;
        break;
      }
      memcpy(u.buffer->data + got, packet.data(), packet.size());
      got += packet.size();
      inPackets_.erase(inPackets_.begin());
      if (packet.size() < options_.inPacketSize || got == room) break;  // short packet ends it
    }
    inTransfers_.push_back(static_cast<int>(got));
    Finish(u, status, static_cast<int>(got));
  }
}

void FakeUsbPrinter::ReapUrb(UMockdevIoctlClient* client) {
  for (auto it = done_.begin(); it != done_.end(); ++it) {
    if (it->client != client) continue;
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    GError* error = nullptr;
    UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), &error);
    g_clear_error(&error);
    if (out == nullptr) {
      Complete(client, -1, EFAULT);
      return;
    }
    umockdev_ioctl_data_set_ptr(out, 0, it->urb);
    g_object_unref(it->urb);
    g_object_unref(it->buffer);
    done_.erase(it);
    Complete(client, 0, 0);
    return;
  }
  Complete(client, -1, unplugged_ ? ENODEV : EAGAIN);
}

void FakeUsbPrinter::DiscardUrb(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  gulong address = 0;
  memcpy(&address, arg->data, sizeof address);
  for (std::vector<Urb>* list : {&pendingIn_, &pendingOut_}) {
    for (auto it = list->begin(); it != list->end(); ++it) {
      if (it->client == client && it->urb->client_addr == address) {
        Urb u = *it;
        list->erase(it);
        if (list == &pendingIn_) ++inCancelled_;
        Finish(u, -ENOENT, 0);
        Complete(client, 0, 0);
        return;
      }
    }
  }
  Complete(client, -1, EINVAL);  // already completed
}

std::vector<std::string> FakeUsbPrinter::OutTransfers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return outTransfers_;
}

std::string FakeUsbPrinter::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string all;
  for (const std::string& t : outTransfers_) all += t;
  return all;
}

std::vector<int> FakeUsbPrinter::InTransfers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inTransfers_;
}

int FakeUsbPrinter::InSubmitted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inSubmitted_;
}

int FakeUsbPrinter::InCancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inCancelled_;
}

void FakeUsbPrinter::QueueIn(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t at = 0; at < bytes.size(); at += options_.inPacketSize)
    inPackets_.push_back(bytes.substr(at, options_.inPacketSize));
  ServeIn();
}

void FakeUsbPrinter::SetResponder(Responder responder) {
  std::lock_guard<std::mutex> lock(mutex_);
  responder_ = std::move(responder);
}

void FakeUsbPrinter::SetClaimBusy(bool busy) {
  std::lock_guard<std::mutex> lock(mutex_);
  claimBusy_ = busy;
}

void FakeUsbPrinter::SetStallOut(bool stall) {
  std::lock_guard<std::mutex> lock(mutex_);
  stallOut_ = stall;
}

void FakeUsbPrinter::SetStallIn(bool stall) {
  std::lock_guard<std::mutex> lock(mutex_);
  stallIn_ = stall;
}

void FakeUsbPrinter::SetOutNak(bool nak) {
  std::lock_guard<std::mutex> lock(mutex_);
  outNak_ = nak;
}

void FakeUsbPrinter::SetOutLimit(int bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  outLimit_ = bytes;
}

void FakeUsbPrinter::UnplugAfterOutTransfers(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  unplugAfter_ = count;
}

void FakeUsbPrinter::Unplug() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugged_ = true;
    EndPending(-ESHUTDOWN);
  }
  RemoveFromTestbed();
}

bool FakeUsbPrinter::Unplugged() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unplugged_;
}

int FakeUsbPrinter::Claims() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return claims_;
}

int FakeUsbPrinter::Releases() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return releases_;
}

bool FakeUsbPrinter::KernelDriverBound() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return driverBound_;
}

int FakeUsbPrinter::Detaches() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return detaches_;
}

int FakeUsbPrinter::Attaches() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return attaches_;
}

FakeUsbBus::FakeUsbBus() : testbed_(umockdev_testbed_new()) {}

FakeUsbBus::~FakeUsbBus() {
  devices_.clear();
  g_object_unref(testbed_);
}

bool FakeUsbBus::InMockEnvironment() const { return umockdev_in_mock_environment(); }

FakeUsbPrinter& FakeUsbBus::Add(const FakeUsbOptions& options) {
  devices_.push_back(std::make_unique<FakeUsbPrinter>(testbed_, options));
  return *devices_.back();
}

}  // namespace varnalux::test
