// Texts that came from a printer (or from anyone on the network), made safe
// to print: for a terminal, and as JSON strings. Both read the bytes as
// UTF-8; a byte that does not belong to a valid UTF-8 character stands for
// itself (its Latin-1 reading in JSON).
#pragma once

#include <string>

namespace varnalux {

// Valid UTF-8 as it is; control characters (TAB and line ends included),
// DEL, the C1 controls U+0080..U+009F and bytes that are not valid UTF-8 as
// \xNN per byte, so a text cannot add columns or lines or start a
// terminal escape.
std::string PlainText(const std::string& s);

// A quoted JSON string: valid UTF-8 passes as characters; quote and
// backslash are escaped, control characters, DEL and C1 controls become
// \u00XX, and a byte that is not valid UTF-8 becomes \u00XX of its value.
// Any bytes give valid JSON.
std::string JsonString(const std::string& s);

// The bytes of the character that starts at s[at]: the length of a valid
// UTF-8 character, or 1 for a byte that starts none. 0 at the end of s.
size_t CharacterBytes(const std::string& s, size_t at);

}  // namespace varnalux
