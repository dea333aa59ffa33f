// Every printer action is one numbered operation run through RunOperation,
// which refuses what the link cannot do, wraps the long operations in the
// progress window and returns the operation's ResultCode.
#pragma once

#include <cstdint>

#include "protocol/codes.h"
#include "protocol/result_messages.h"

namespace varnalux {

ResultCode RunOperation(OperationCode operation, InterfaceKind kind, void* data, int32_t extra);

// Operation 19: opens the link and closes it again; nothing is written.
ResultCode TestConnection(InterfaceKind kind);

}  // namespace varnalux
