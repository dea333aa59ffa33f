// The encoding table as the page shows it: the table holds bytes of a code
// page, the page shows characters. This turns table bytes into text through
// iconv (UTF-8 on the text side).
#pragma once

#include <string>
#include <string_view>

namespace varnalux {

// The text of bytes in the code page, as UTF-8; bytes that do not decode are
// left out. False when the code page is not supported.
bool TableBytesToText(std::string_view bytes, int codePage, std::string& utf8);

}  // namespace varnalux
