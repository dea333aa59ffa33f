// The encoding table as the page shows it: the table holds bytes of a code
// page, the page shows text. The two forms turn into each other without
// loss, so a table file loaded and saved again keeps every byte.
//
// Bytes to text (UTF-8 on the text side):
//   - a character of the code page is shown as itself when it encodes back
//     to exactly the bytes it came from and a text box shows it as it is;
//   - the table's line break (CR LF, or LF for tables whose lines end in
//     LF alone) is shown as a line break;
//   - the backslash byte is shown as two backslashes, "\\";
//   - every other byte (control codes, bytes that are no character, a
//     lone lead byte, invisible characters such as the no-break space or
//     the soft hyphen, a character of two codes) is shown as "\xNN", its
//     value in two upper-case hexadecimal digits.
// Text to bytes:
//   - "\xNN" (either case) gives the byte NN and "\\" one backslash; a
//     backslash that starts neither stays a backslash;
//   - a line break gives the table's line break;
//   - any other character gives its bytes in the code page, or, when the
//     code page cannot hold it, nothing: it is listed as left out.
// Characters are counted and listed as Unicode code points (char32_t).
#pragma once

#include <string>
#include <string_view>

namespace varnalux {

enum class TableLineBreak { CrLf, Lf };

// LF when the bytes hold an LF and none of their LFs follows a CR; CR LF
// otherwise (also for bytes without line breaks).
TableLineBreak DetectLineBreak(std::string_view bytes);

// The text of the bytes in the code page. False when the code page is not
// supported.
bool TableBytesToText(std::string_view bytes, int codePage, TableLineBreak lineBreak,
                      std::string& utf8);

// The bytes of the text in the code page; leftOut receives, once each and
// in order, the characters the code page cannot hold. False when the code
// page is not supported.
bool TableTextToBytes(std::string_view utf8, int codePage, TableLineBreak lineBreak,
                      std::string& bytes, std::u32string& leftOut);

// True when a text box shows the character as itself (it is visible, or a
// plain space, and the box keeps it unchanged).
bool ShowsAsItself(char32_t ch);

// Characters for a message, separated by spaces: each as itself when it
// shows as itself, else as U+XXXX; after limit characters "and N more".
std::string DescribeCharacters(const std::u32string& characters, size_t limit = 20);

}  // namespace varnalux
