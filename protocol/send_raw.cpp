#include "protocol/send_raw.h"

#include <string>

#include "link/link_session.h"

namespace varnalux {

ResultCode SendRaw(InterfaceKind kind, const uint8_t* buffer, uint32_t count) {
  static const uint8_t nothing = 0;
  return WriteOnce(kind, buffer != nullptr ? buffer : &nothing, buffer != nullptr ? count : 0,
                   true);
}

ResultCode SendFile(InterfaceKind kind, InputFile& file, StreamReport& report) {
  return SendStream(kind, std::string(), file, report);
}

}  // namespace varnalux
