#include "protocol/send_raw.h"

#include <string>

#include "link/link_progress.h"
#include "link/link_session.h"
#include "link/link_settings.h"

namespace varnalux {

ResultCode SendRaw(InterfaceKind kind, const uint8_t* buffer, uint32_t count) {
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  static const uint8_t nothing = 0;
  // The window stays up through the close, which may wait for the printer.
  PercentProgressScope progress(CurrentLinkSettings().observer);
  const bool ok = link.Write(buffer != nullptr ? buffer : &nothing, buffer != nullptr ? count : 0);
  return progress.Ended(link.Finish(ok ? ResultOk : ResultTransmitError));
}

ResultCode SendFile(InterfaceKind kind, InputFile& file, StreamReport& report) {
  return SendStream(kind, std::string(), file, report);
}

}  // namespace varnalux
