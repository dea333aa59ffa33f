// Texts from printers and from the network on a terminal and in JSON:
// nothing in them can add a column or a line, start a terminal escape or
// break the JSON, and valid UTF-8 stays readable.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/printable_text.h"
#include "tests/fuzz/json_check.h"

namespace varnalux {
namespace {

TEST(PrintableText, ControlsDelC1AndStrayBytesAreEscapedForTheTerminal) {
  EXPECT_EQ(PlainText("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x96\xA8"),
            "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x96\xA8");
  EXPECT_EQ(PlainText("a\tb\nc\r\x1B[31m\x7F"), "a\\x09b\\x0Ac\\x0D\\x1B[31m\\x7F");
  // C1 controls as UTF-8 (U+009B is a terminal's escape introducer) and as
  // lone bytes; a lead byte without its continuation; an overlong slash; a
  // surrogate; U+110000.
  EXPECT_EQ(PlainText("\xC2\x9B\xC2\x85|\x9B\x85|\xC3|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80"),
            "\\xC2\\x9B\\xC2\\x85|\\x9B\\x85|\\xC3|\\xC0\\xAF|\\xED\\xA0\\x80|"
            "\\xF4\\x90\\x80\\x80");
  EXPECT_EQ(PlainText("\xC2\xA0\xEF\xBF\xBD"), "\xC2\xA0\xEF\xBF\xBD");  // U+00A0, U+FFFD
}

TEST(PrintableText, JsonKeepsValidUtf8AndEscapesTheRest) {
  EXPECT_EQ(JsonString("Caf\xC3\xA9"), "\"Caf\xC3\xA9\"");
  EXPECT_EQ(JsonString("a\"b\\c\n\x01\x7F"), "\"a\\\"b\\\\c\\u000A\\u0001\\u007F\"");
  // C1 controls by their code point; a byte that is not valid UTF-8 by its
  // value, read as Latin-1.
  EXPECT_EQ(JsonString("\xC2\x9B|\xFF|\xE9t\xE9|\xC3"), "\"\\u009B|\\u00FF|\\u00E9t\\u00E9|\\u00C3\"");

  std::mt19937 random(15);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 40, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string json = JsonString(bytes);
    EXPECT_TRUE(fuzz::JsonCheck::Valid(json)) << json;
    for (unsigned char c : PlainText(bytes)) EXPECT_FALSE(c < 0x20 || c == 0x7F);
  }
}

}  // namespace
}  // namespace varnalux
