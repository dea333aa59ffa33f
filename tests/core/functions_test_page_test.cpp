// The generated test label, byte for byte.
#include <gtest/gtest.h>

#include "protocol/test_page.h"

namespace varnalux {
namespace {

TestPageRequest Request(float dotsPerMm, float width, float height) {
  TestPageRequest r{};
  r.dpi = dotsPerMm * 25.4f;
  r.dotsPerMm = dotsPerMm;
  r.paperWidth = width;
  r.paperHeight = height;
  r.sensorMode = 0;
  return r;
}

TEST(TestPageProgram, WorkedExamplesComeOutByteForByte) {
  // 8 dots/mm, 100 x 50 mm: frame, bar code with all ten digits, text.
  EXPECT_EQ(BuildTestPageProgram(Request(8.0f, 100.0f, 50.0f)),
            "CLS\r\n"
            "DIRECTION 0,0\r\n"
            "BOX 16,16,784,384,4\r\n"
            "BARCODE  98,32,\"39\",50,1,90,2,4,\"1234567890\"\r\n"
            "TEXT  114,32,\"0\",0,25,25,\"TEST\"\r\n"
            "PRINT 1\r\n");
  // 12 dots/mm, 2 x 1 inch entered in inches (50.8 x 25.4 mm as floats):
  // 609.6 and 304.8 dots truncate to 609 and 304.
  const float inch = 25.4f;
  EXPECT_EQ(BuildTestPageProgram(Request(12.0f, 2 * inch, 1 * inch)),
            "CLS\r\n"
            "DIRECTION 0,0\r\n"
            "BOX 24,24,585,280,4\r\n"
            "BARCODE  110,48,\"39\",38,1,90,3,6,\"123\"\r\n"
            "TEXT  134,48,\"0\",0,10,10,\"TEST\"\r\n"
            "PRINT 1\r\n");
  // 8 dots/mm, 20 x 10 mm: the bar code goes with empty data, no text.
  EXPECT_EQ(BuildTestPageProgram(Request(8.0f, 20.0f, 10.0f)),
            "CLS\r\n"
            "DIRECTION 0,0\r\n"
            "BOX 16,16,144,64,4\r\n"
            "BARCODE  58,32,\"39\",10,1,90,2,4,\"\"\r\n"
            "PRINT 1\r\n");
  // Width 3 mm: no room for the frame, a blank label is fed.
  EXPECT_EQ(BuildTestPageProgram(Request(8.0f, 3.0f, 50.0f)),
            "CLS\r\nDIRECTION 0,0\r\nPRINT 1\r\n");
}

TEST(TestPageProgram, BarWidthsSwitchAboveEightDotsPerMm) {
  // Same paper, d exactly 8 and just above: only the bar widths (and the
  // positions that depend on d) change.
  std::string at8 = BuildTestPageProgram(Request(8.0f, 100.0f, 50.0f));
  EXPECT_NE(at8.find(",1,90,2,4,"), std::string::npos) << at8;
  std::string above = BuildTestPageProgram(Request(8.001f, 100.0f, 50.0f));
  EXPECT_NE(above.find(",1,90,3,6,"), std::string::npos) << above;
  std::string at12 = BuildTestPageProgram(Request(12.0f, 100.0f, 50.0f));
  EXPECT_NE(at12.find(",1,90,3,6,"), std::string::npos) << at12;
}

TEST(TestPageProgram, FrameNeedsRoomInBothDirections) {
  // Exactly 2m = W (4 mm at 8 dots/mm is 32 dots) is not enough; neither is a
  // wide but too low label.
  EXPECT_EQ(BuildTestPageProgram(Request(8.0f, 4.0f, 50.0f)),
            "CLS\r\nDIRECTION 0,0\r\nPRINT 1\r\n");
  EXPECT_EQ(BuildTestPageProgram(Request(8.0f, 100.0f, 4.0f)),
            "CLS\r\nDIRECTION 0,0\r\nPRINT 1\r\n");
  // One dot more and the frame is drawn.
  EXPECT_NE(BuildTestPageProgram(Request(8.0f, 4.125f, 4.125f)).find("BOX 16,16,17,17,4\r\n"),
            std::string::npos);
}

TEST(TestPageProgram, LongLabelKeepsTenDigitsAndAbsurdSizesStayDefined) {
  // Far more room than ten characters need: still exactly ten digits.
  std::string big = BuildTestPageProgram(Request(8.0f, 400.0f, 400.0f));
  EXPECT_NE(big.find(",\"1234567890\"\r\n"), std::string::npos) << big;
  // Paper sizes whose dot counts leave the 32-bit range, and NaN, must not
  // crash or produce garbage lines: the program still starts and ends right.
  for (float bad : {1e30f, -1e30f, __builtin_nanf("")}) {
    std::string p = BuildTestPageProgram(Request(8.0f, bad, bad));
    EXPECT_EQ(p.rfind("CLS\r\nDIRECTION 0,0\r\n", 0), 0u) << p;
    EXPECT_EQ(p.substr(p.size() - 9), "PRINT 1\r\n") << p;
  }
}

}  // namespace
}  // namespace varnalux
