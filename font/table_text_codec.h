// The encoding table as text: the page shows and edits characters, the
// table holds the bytes of a code page. These convert between the two
// through iconv (UTF-8 on the text side).
#pragma once

#include <string>
#include <string_view>

namespace varnalux {

// The bytes of utf8 in the code page. Characters the code page cannot hold
// are left out. False when the code page is not supported.
bool TableTextToBytes(std::string_view utf8, int codePage, std::string& bytes);
// The text of bytes in the code page, as UTF-8; bytes that do not decode are
// left out. False when the code page is not supported.
bool TableBytesToText(std::string_view bytes, int codePage, std::string& utf8);

}  // namespace varnalux
