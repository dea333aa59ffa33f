#include "protocol/config_page_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "protocol/config_writer.h"
#include "tests/core/config_locale.h"

namespace varnalux {
namespace {

PrinterConfig Reset() {
  PrinterConfig c;
  ResetConfig(c);
  return c;
}

TEST(ConfigPageText, LengthsFollowTheUnitBothWays) {
  PrinterConfig c = Reset();
  c.paperWidthValid = 1, c.paperWidth = 101.6f;
  ConfigPageText page;
  ShowConfigText(c, PageUnitInch, page);
  EXPECT_EQ(page.width, "4.00");
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.width, "101.60");

  // Typing 4 in inch sends 101.60 mm.
  page.width = "4";
  page.height = "2";
  PrinterConfig out = Reset();
  ASSERT_TRUE(CollectConfigText(page, PageUnitInch, out).ok());
  EXPECT_EQ(ConfigCommandText(out), "SIZE 101.60 mm,50.80 mm\r\n");

  // Shown in inch, unit switched to mm: the text is taken as 4.00 mm.
  ShowConfigText(c, PageUnitInch, page);
  page.height = "";
  ASSERT_TRUE(CollectConfigText(page, PageUnitMm, out).ok());
  EXPECT_EQ(out.paperWidthValid, 1);
  EXPECT_FLOAT_EQ(out.paperWidth, 4.0f);
  EXPECT_EQ(out.paperHeightValid, 0);

  // No unit selected: the texts stay as they were, lengths read as mm.
  page.width = "12.5";
  ShowConfigText(c, -1, page);
  EXPECT_EQ(page.width, "12.5");
  ASSERT_TRUE(CollectConfigText(page, -1, out).ok());
  EXPECT_FLOAT_EQ(out.paperWidth, 12.5f);
  // An unanswered length empties its edit in any unit.
  c.paperWidthValid = 0;
  ShowConfigText(c, -1, page);
  EXPECT_EQ(page.width, "");
}

TEST(ConfigPageText, CommaIsAcceptedExceptInTheGapOffset) {
  ConfigPageText page;
  page.width = "2,5";
  page.speed = "3,5";
  PrinterConfig out = Reset();
  ASSERT_TRUE(CollectConfigText(page, PageUnitInch, out).ok());
  EXPECT_FLOAT_EQ(out.paperWidth, 63.5f);
  EXPECT_FLOAT_EQ(out.speed, 3.5f);

  page.gapOffset = "2,5";
  page.printOut = 2;  // after the gap offset: must stay uncollected
  out = Reset();
  CollectResult r = CollectConfigText(page, PageUnitInch, out);
  EXPECT_EQ(r.error, CollectError::BadFloat);
  EXPECT_EQ(r.Message(), "'2,5' is not a valid floating point value");
  EXPECT_EQ(out.printOutValid, 0);

  page.gapOffset = "";
  page.referenceX = "12a";
  r = CollectConfigText(page, PageUnitInch, out);
  EXPECT_EQ(r.Message(), "'12a' is not a valid integer value");
  page.referenceX = "1.5";
  EXPECT_EQ(CollectConfigText(page, PageUnitMm, out).error, CollectError::BadInteger);
}

TEST(ConfigPageText, ConversionsIgnoreTheNumericLocale) {
  testing::CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma available";
  PrinterConfig c = Reset();
  c.speedValid = 1, c.speed = 2.5f;
  c.gapSizeValid = 1, c.gapSize = 3.0f;
  ConfigPageText page;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.speed, "2.5");
  EXPECT_EQ(page.gapSize, "3.00");
  page.gapOffset = "1.5";
  PrinterConfig out = Reset();
  ASSERT_TRUE(CollectConfigText(page, PageUnitMm, out).ok());
  EXPECT_FLOAT_EQ(out.gapOffset, 1.5f);
}

TEST(ConfigPageText, SpeedShowsFifteenSignificantDigitsOfTheFloat) {
  PrinterConfig c = Reset();
  c.speedValid = 1;
  ConfigPageText page;
  for (auto [value, text] : {std::pair{3.0f, "3"}, {2.5f, "2.5"}, {3.2f, "3.20000004768372"}}) {
    c.speed = value;
    ShowConfigText(c, PageUnitMm, page);
    EXPECT_EQ(page.speed, text);
  }
  c.speedValid = 0;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.speed, "");
}

TEST(ConfigPageText, ListsShowValuePlusOneAndDropValuesOutsideThem) {
  PrinterConfig c = Reset();
  c.densityValid = 1, c.density = 15;
  c.codePageValid = 1, c.codePage = 36;  // a name the table lacks
  c.countryValid = 1, c.country = -2;
  c.baudRateValid = 1, c.baudRate = 4;  // "9600": list item 4 itself
  c.parityValid = 1, c.parity = 2;
  ConfigPageText page;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.density, 16);
  EXPECT_EQ(page.codePage, NoSelection);
  EXPECT_EQ(page.country, NoSelection);
  EXPECT_EQ(page.baudRate, 4);
  EXPECT_EQ(page.parity, 3);
  EXPECT_EQ(page.reprint, NoSelection);
  EXPECT_EQ(page.ribbon, NoSelection);

  PrinterConfig out = Reset();
  ASSERT_TRUE(CollectConfigText(page, PageUnitMm, out).ok());
  EXPECT_EQ(out.density, 15);
  EXPECT_EQ(out.codePageValid, 0);
  EXPECT_EQ(out.countryValid, 0);
  EXPECT_EQ(out.baudRateValid, 1);
  EXPECT_EQ(out.baudRate, 4);  // not shifted
  EXPECT_EQ(out.parity, 2);
  EXPECT_EQ(out.reprintValid, 0);

  c.density = 16;  // one past the list
  c.baudRate = 9;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.density, NoSelection);
  EXPECT_EQ(page.baudRate, NoSelection);
  // A baud answer "0" selects the empty item and is not sent.
  c.baudRate = 0;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.baudRate, 0);
  ASSERT_TRUE(CollectConfigText(page, PageUnitMm, out).ok());
  EXPECT_EQ(out.baudRateValid, 0);
}

TEST(ConfigPageText, CutPieceOnlyWithTheCutterAndBasesOnlyWhenNotZero) {
  PrinterConfig c = Reset();
  c.cutterPieceValid = 1, c.cutterPiece = 3;
  c.printOutValid = 1, c.printOut = 1;  // tear
  c.densityBaseValid = 1, c.densityBase = 0;
  c.offsetBaseValid = 0, c.offsetBase = 9;
  c.shiftBaseValid = 1, c.shiftBase = -4;
  ConfigPageText page;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.cutterPiece, "");
  EXPECT_FALSE(page.densityBaseShown);
  EXPECT_FALSE(page.offsetBaseShown);
  EXPECT_TRUE(page.shiftYBaseShown);
  EXPECT_EQ(page.shiftYBase, "-4");
  c.printOut = 3;
  ShowConfigText(c, PageUnitMm, page);
  EXPECT_EQ(page.printOut, PrintOutItemCutter);
  EXPECT_EQ(page.cutterPiece, "3");
}

TEST(ConfigPageText, OnlyTheSelectedSensorsIntensityIsCollected) {
  ConfigPageText page;
  page.gapInten = "1";
  page.blineInten = "2";
  page.conInten = "x";  // not converted: its sensor is not selected
  page.mediaSensor = SensorItemBline;
  PrinterConfig out = Reset();
  ASSERT_TRUE(CollectConfigText(page, PageUnitMm, out).ok());
  EXPECT_EQ(out.gapIntenValid, 0);
  EXPECT_EQ(out.blineIntenValid, 1);
  EXPECT_EQ(out.blineInten, 2);
  EXPECT_EQ(out.conIntenValid, 0);
  page.mediaSensor = SensorItemContinuous;
  EXPECT_EQ(CollectConfigText(page, PageUnitMm, out).Message(), "'x' is not a valid integer value");
}

TEST(ConfigPageText, RecordAsThePageWouldSendItAfterLoading) {
  PrinterConfig c = Reset();
  strcpy(c.version, "V1");
  c.dpiValid = 1, c.dpi = 203.0f, c.dotsPerMm = 8.0f;
  c.speedValid = 1, c.speed = 3.2f;
  c.paperWidthValid = c.paperHeightValid = 1;
  c.paperWidth = 101.567f, c.paperHeight = 50.75f;
  c.sensorModeValid = 1, c.sensorMode = 0;
  c.gapSizeValid = c.gapOffsetValid = 1;
  c.gapSize = 3.0f, c.gapOffset = 0.125f;
  c.printOutValid = 1, c.printOut = 0;
  c.cutterPieceValid = 1, c.cutterPiece = 4;
  c.gapIntenValid = c.blineIntenValid = 1;
  c.gapInten = 6, c.blineInten = 7;
  c.densityBaseValid = 1, c.densityBase = 2;
  c.shiftXValid = 1, c.shiftX = -2;
  PrinterConfig out;
  ASSERT_TRUE(CollectFromRecord(c, PageUnitMm, out).ok());
  EXPECT_EQ(out.speed, 3.2f);
  EXPECT_EQ(out.version[0], 0);  // texts, resolution and bases stay initial
  EXPECT_EQ(out.dpiValid, 0);
  EXPECT_EQ(out.densityBaseValid, 0);
  EXPECT_EQ(ConfigCommandText(out),
            "SPEED 3.2\r\n"
            "SIZE 101.57 mm,50.75 mm\r\n"
            "GAP 3.00 mm,0.12 mm\r\n"  // 0.125 is a tie: printf rounds it down
            "SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER OFF\r\n"
            "SHIFT -2,0\r\n"
            "SET GAP 6\r\n");
  // Rounded to two decimals of the shown text, not the stored float.
  EXPECT_FLOAT_EQ(out.paperWidth, 101.57f);
  EXPECT_FLOAT_EQ(out.gapOffset, 0.12f);
}

}  // namespace
}  // namespace varnalux
