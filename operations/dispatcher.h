// Every printer action is one numbered operation run through RunOperation,
// which refuses what the link cannot do, wraps the long operations in the
// progress window and returns the operation's ResultCode.
#pragma once

#include <cstdint>

#include "base/codes.h"
#include "base/input_file.h"
#include "base/result_messages.h"
#include "protocol/stream_send.h"

namespace varnalux {

ResultCode RunOperation(OperationCode operation, InterfaceKind kind, void* data, int32_t extra);

// Operation 12 with an opened file (or standard input) for its bytes instead
// of a buffer: the file is sent unchanged piece by piece as it is read, under
// the same progress window, with the same codes and 4 when the file fails
// (report.sent then tells how much of it the printer received). Like
// RunOperation, nothing escapes it but the code.
ResultCode RunFileSend(InterfaceKind kind, InputFile& file, StreamReport& report);

// Operation 19: opens the link and closes it again; nothing is written.
ResultCode TestConnection(InterfaceKind kind);

}  // namespace varnalux
