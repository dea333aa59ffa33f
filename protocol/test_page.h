// The generated test label: a frame, a Code 39 bar code and the word TEST,
// scaled to the paper and the printer's resolution.
#pragma once

#include <string>

#include "protocol/printer_functions.h"

namespace varnalux {

// The label program for the request, from "CLS" to "PRINT 1", each line
// ending in CR LF. Pure: nothing is sent.
std::string BuildTestPageProgram(const TestPageRequest& request);

}  // namespace varnalux
