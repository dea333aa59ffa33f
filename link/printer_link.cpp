#include "link/printer_link.h"

#include "app/progress.h"
#include "link/link_settings.h"
#include "link/parallel_link.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/usb_link.h"

namespace varnalux {

namespace {
// Handle the TCP link returns; its connection objects are module-wide.
constexpr LinkHandle TcpHandle = 1;

uint32_t PercentWritten(uint32_t length, uint32_t remaining) {
  return static_cast<uint32_t>((static_cast<uint64_t>(length - remaining) * 100u) / length);
}
}  // namespace

LinkHandle OpenLink(InterfaceKind kind) {
  LinkSettings& settings = CurrentLinkSettings();
  switch (kind) {
    case KindUsb: {
      intptr_t handle = UsbOpen();
      if (handle < 0) return InvalidLink;
      UsbRing().Reset();
      return handle;
    }
    case KindCom: {
      if (settings.serial == nullptr) return InvalidLink;
      int fd = OpenSerialPort(*settings.serial);
      if (fd < 0) return InvalidLink;
      SerialRing().Reset();
      PurgeSerialPort(fd);
      return fd;
    }
    case KindLpt: {
      if (settings.parallelDeviceName == nullptr) return InvalidLink;
      int fd = ParallelOpen(settings.parallelDeviceName);
      return fd < 0 ? InvalidLink : fd;
    }
    case KindEthernet: {
      if (settings.tcp == nullptr) return InvalidLink;
      if (!TcpOpen(*settings.tcp)) return InvalidLink;
      TcpRing().Reset();
      return TcpHandle;
    }
    default: return InvalidLink;
  }
}

bool CloseLink(InterfaceKind kind, LinkHandle handle) {
  switch (kind) {
    case KindUsb: UsbClose(handle); break;
    case KindCom: CloseSerialPort(static_cast<int>(handle)); break;
    case KindLpt: ParallelClose(static_cast<int>(handle)); break;
    case KindEthernet: TcpClose(); break;
    default: break;
  }
  return true;
}

bool WriteLink(LinkHandle handle, InterfaceKind kind, const void* buffer, uint32_t length) {
  ProgressTick(0, 0);
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  switch (kind) {
    case KindUsb:
    case KindCom: {
      uint32_t remaining = length;
      while (remaining > 0) {
        uint32_t chunk = remaining < UsbSerialChunk ? remaining : UsbSerialChunk;
        const uint8_t* at = bytes + (length - remaining);
        uint32_t written = kind == KindUsb ? UsbWriteChunk(handle, at, chunk)
                                           : SerialWriteChunk(static_cast<int>(handle), at, chunk);
        if (written != chunk) return false;
        remaining -= chunk;
        ProgressTick(1, PercentWritten(length, remaining));
        ProcessPendingMessages();
      }
      return true;
    }
    case KindLpt:
      if (!ParallelWrite(static_cast<int>(handle), bytes, length)) return false;
      ProgressTick(1, 100);
      ProcessPendingMessages();
      return true;
    case KindEthernet: {
      uint32_t remaining = length;
      while (remaining > 0) {
        uint32_t chunk = remaining < TcpChunk ? remaining : TcpChunk;
        if (!TcpWriteChunk(bytes + (length - remaining), chunk)) return false;
        remaining -= chunk;
        ProgressTick(1, PercentWritten(length, remaining));
        ProcessPendingMessages();
      }
      ProgressTick(1, 100);
      return true;
    }
    default: return false;
  }
}

bool ReadLinkByte(LinkHandle handle, InterfaceKind kind, uint8_t& out) {
  switch (kind) {
    case KindUsb: return UsbReadByte(handle, out);
    case KindCom: return SerialReadByte(static_cast<int>(handle), out);
    case KindEthernet: return TcpReadByte(out);
    default:  // the parallel link never reads
      return false;
  }
}

}  // namespace varnalux
