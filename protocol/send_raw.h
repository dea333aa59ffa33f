// Operation 12: bytes written to the printer unchanged, under the progress
// window in percent mode.
#pragma once

#include <cstdint>

#include "base/codes.h"
#include "base/input_file.h"
#include "protocol/stream_send.h"

namespace varnalux {

// A buffer in memory (the editor's text).
ResultCode SendRaw(InterfaceKind kind, const uint8_t* buffer, uint32_t count);

// An opened file (or standard input), sent unchanged piece by piece as it is
// read, with the rules of SendStream: 4 when the file fails, report.sent
// telling how much of it the printer received.
ResultCode SendFile(InterfaceKind kind, InputFile& file, StreamReport& report);

}  // namespace varnalux
