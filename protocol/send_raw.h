// Operation 12: bytes written to the printer unchanged, under the progress
// window in percent mode.
#pragma once

#include <cstdint>

#include "protocol/codes.h"

namespace varnalux {

ResultCode SendRaw(InterfaceKind kind, const uint8_t* buffer, uint32_t count);

}  // namespace varnalux
