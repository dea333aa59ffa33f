#include "protocol/config_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "base/numbers.h"

namespace varnalux {
namespace {

PrinterConfig Sample() {
  PrinterConfig c;
  ResetConfig(c);
  strcpy(c.version, "V1 \"EZ\"\\\x01\xE9");
  strcpy(c.milage, "12.5");
  c.dpiValid = 1, c.dpi = 203.0f, c.dotsPerMm = 8.0f;
  c.paperWidthValid = 1, c.paperWidth = 101.5f;
  c.codePageValid = 1, c.codePage = 10;
  c.parityValid = 1, c.parity = 3;  // a name the table lacked
  c.offsetValid = 1, c.offset = -3;
  return c;
}

TEST(ConfigText, LinesOnlyForAnsweredFields) {
  EXPECT_EQ(ConfigAsText(Sample()),
            "version: V1 \"EZ\"\\\\x01\\xE9\n"  // a lone E9 is not UTF-8
            "milage: 12.5\n"
            "checksum: \n"
            "dpi: 203\n"
            "dotsPerMm: 8\n"
            "paperWidth: 101.5\n"
            "offset: -3\n"
            "codePage: 10 (850)\n"
            "parity: 3 (not in the list)\n");
}

TEST(ConfigText, JsonHasEveryFieldWithNullForUnanswered) {
  std::string json = ConfigAsJson(Sample());
  EXPECT_EQ(json.rfind("{\"version\": \"V1 \\\"EZ\\\"\\\\\\u0001\\u00E9\", \"milage\": \"12.5\", "
                       "\"checksum\": \"\", \"dpi\": 203, \"dotsPerMm\": 8, \"speed\": null, ",
                       0),
            0u)
      << json;
  EXPECT_NE(json.find("\"paperWidth\": 101.5, \"paperHeight\": null,"), std::string::npos);
  EXPECT_NE(json.find("\"codePage\": 10, "), std::string::npos);
  EXPECT_NE(json.find("\"parity\": 3, \"stopBits\": null}\n"), std::string::npos);
  EXPECT_EQ(json.find("Valid"), std::string::npos);

  int32_t unit = 1;
  PrinterStatus s;
  s.outOfPaper = 1;
  json = ConfigAsJson(Sample(), &unit, &s);
  EXPECT_NE(json.find("\"stopBits\": null, \"unit\": 1, \"status\": {\"headOpen\": 0, "
                      "\"paperJam\": 0, \"outOfPaper\": 1, "),
            std::string::npos)
      << json;
  EXPECT_EQ(UnitAndStatusAsText(0, s).substr(0, 33), "unit: 0 (inch)\nheadOpen: 0\npaperJ");
  // Units as loading selects them: above 1 is mm, negative is none.
  EXPECT_EQ(UnitAndStatusAsText(1, s).substr(0, 13), "unit: 1 (mm)\n");
  EXPECT_EQ(UnitAndStatusAsText(5, s).substr(0, 13), "unit: 5 (mm)\n");
  EXPECT_EQ(UnitAndStatusAsText(-1, s).substr(0, 16), "unit: -1 (none)\n");
}

TEST(ConfigText, DiffListsDifferingSettingsOnly) {
  PrinterConfig a = Sample(), b = Sample();
  int count = -1;
  EXPECT_EQ(DiffConfigs(a, b, count), "");
  EXPECT_EQ(count, 0);
  // Information texts, resolution and base values are not settings.
  strcpy(b.milage, "99");
  b.dpi = 300.0f;
  b.densityBaseValid = 1;
  EXPECT_EQ(DiffConfigs(a, b, count), "");
  // A value that only differs while its flag is 0 does not count.
  b.speed = 9.0f;
  EXPECT_EQ(DiffConfigs(a, b, count), "");

  b.paperWidth = 101.6f;
  b.offsetValid = 0;
  b.shiftXValid = 1, b.shiftX = -2;
  EXPECT_EQ(DiffConfigs(a, b, count),
            "paperWidth: 101.5 -> 101.6\n"
            "offset: -3 -> null\n"
            "shiftX: null -> -2\n");
  EXPECT_EQ(count, 3);
}

TEST(ConfigNumbers, LenientConversionsStopAtTheFirstOtherCharacter) {
  EXPECT_EQ(LenientInteger(" \t-42abc"), -42);
  EXPECT_EQ(LenientInteger("abc"), 0);
  EXPECT_EQ(LenientInteger("+"), 0);
  EXPECT_EQ(LenientInteger("-99999999999"), INT32_MIN);
  EXPECT_EQ(LenientDecimal(" 2.5e1x"), 25.0);
  EXPECT_EQ(LenientDecimal("3,5"), 3.0);
  EXPECT_EQ(LenientDecimal("-.5"), -0.5);
  EXPECT_EQ(LenientDecimal("x1"), 0.0);
}

TEST(ConfigNumbers, StrictConversionsRefuseAnythingButANumber) {
  double d = 0;
  int32_t i = 0;
  EXPECT_TRUE(ParseStrictDecimal(" 2.5 ", d));
  EXPECT_EQ(d, 2.5);
  EXPECT_TRUE(ParseStrictDecimal("-1e-3", d));
  EXPECT_EQ(d, -0.001);
  EXPECT_TRUE(ParseStrictDecimal(".5", d));
  EXPECT_TRUE(ParseStrictDecimal("5.", d));
  for (const char* bad : {"", " ", ".", "2,5", "2.5.1", "1e", "e5", "abc", "1e999", "nan", "0x10"})
    EXPECT_FALSE(ParseStrictDecimal(bad, d)) << bad;
  EXPECT_TRUE(ParseStrictInteger(" -2147483648", i));
  EXPECT_EQ(i, INT32_MIN);
  EXPECT_TRUE(ParseStrictInteger("+7 ", i));
  EXPECT_EQ(i, 7);
  for (const char* bad : {"", "-", "2147483648", "1.0", "1 2", "0x1", "99999999999999999999"})
    EXPECT_FALSE(ParseStrictInteger(bad, i)) << bad;
}

}  // namespace
}  // namespace varnalux
