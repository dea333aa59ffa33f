// Every printer action is one numbered operation run through RunOperation,
// which refuses what the link cannot do, wraps the long operations in the
// progress window and returns the operation's ResultCode.
#pragma once

#include <cstdint>

#include "protocol/codes.h"

namespace varnalux {

inline constexpr int ResultMessageSize = 40;
// Texts of the result codes 0..5 (slot 0 empty).
extern const char ResultMessages[6][ResultMessageSize];
// The text of a code; codes outside 0..5 give the text of 5.
const char* ResultMessage(ResultCode code);

ResultCode RunOperation(OperationCode operation, InterfaceKind kind, void* data, int32_t extra);

// Operation 19: opens the link and closes it again; nothing is written.
ResultCode TestConnection(InterfaceKind kind);

}  // namespace varnalux
