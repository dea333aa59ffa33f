// The texts that tell the user how an operation ended.
#pragma once

#include "base/codes.h"

namespace varnalux {

inline constexpr int ResultMessageSize = 40;
// Texts of the result codes 0..5 (slot 0 empty).
extern const char ResultMessages[6][ResultMessageSize];
// The text of a code; codes outside 0..5 give the text of 5.
const char* ResultMessage(ResultCode code);

}  // namespace varnalux
