#include "protocol/send_raw.h"

#include "app/progress.h"
#include "link/printer_link.h"

namespace varnalux {

ResultCode SendRaw(InterfaceKind kind, const uint8_t* buffer, uint32_t count) {
  LinkHandle handle = OpenLink(kind);
  if (handle == InvalidLink) return ResultPortOpenError;
  ShowProgress(ProgressPercentMode, 3, 3);
  static const uint8_t nothing = 0;
  bool ok =
      WriteLink(handle, kind, buffer != nullptr ? buffer : &nothing, buffer != nullptr ? count : 0);
  HideProgress();
  CloseLink(kind, handle);
  return ok ? ResultOk : ResultTransmitError;
}

}  // namespace varnalux
