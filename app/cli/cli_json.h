// JSON text for the command-line tool's --json output.
#pragma once

#include <string>

namespace varnalux {

// text as a JSON string in double quotes. Quotes, backslashes and control
// characters are escaped; bytes that are not valid UTF-8 (printer names
// may hold any byte) are taken as Latin-1 so the output stays valid JSON.
std::string JsonString(const std::string& text);

}  // namespace varnalux
