#include "protocol/config_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "operations/dispatcher.h"
#include "tests/core/config_locale.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::LoopbackPeer;

PrinterConfig Empty() {
  PrinterConfig c;
  ResetConfig(c);
  return c;
}

// A write record with every setting marked.
PrinterConfig Full() {
  PrinterConfig c = Empty();
  c.speedValid = 1, c.speed = 4.0f;
  c.densityValid = 1, c.density = 8;
  c.paperWidthValid = 1, c.paperWidth = 101.6f;
  c.paperHeightValid = 1, c.paperHeight = 50.8f;
  c.sensorModeValid = 1, c.sensorMode = 1;
  c.gapSizeValid = 1, c.gapSize = 3.0f;
  c.gapOffsetValid = 1, c.gapOffset = 0.5f;
  c.printOutValid = 1, c.printOut = 3;
  c.cutterPieceValid = 1, c.cutterPiece = 2;
  c.referenceXValid = 1, c.referenceX = 10;
  c.referenceYValid = 1, c.referenceY = 20;
  c.directionValid = 1, c.direction = 1;
  c.mirrorValid = 1, c.mirror = 0;
  c.offsetValid = 1, c.offset = -3;
  c.shiftValid = 1, c.shift = 5;
  c.shiftXValid = 1, c.shiftX = 3;
  c.ribbonValid = 1, c.ribbon = 1;
  c.codePageValid = 1, c.codePage = 35;
  c.countryValid = 1, c.country = 21;
  c.headValid = 1, c.head = 0;
  c.reprintValid = 1, c.reprint = 1;
  c.blineIntenValid = 1, c.blineInten = 4;
  c.baudRateValid = 1, c.baudRate = 8;
  c.dataBitsValid = 1, c.dataBits = 0;
  c.parityValid = 1, c.parity = 2;
  c.stopBitsValid = 1, c.stopBits = 1;
  return c;
}

const char FullText[] =
    "SPEED 4.0\r\n"
    "DENSITY 8\r\n"
    "SIZE 101.60 mm,50.80 mm\r\n"
    "BLINE 3.00 mm,0.50 mm\r\n"
    "SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER 2\r\n"
    "REFERENCE 10,20\r\n"
    "DIRECTION 1,0\r\n"
    "OFFSET -3 dot\r\n"
    "SHIFT 3,5\r\n"
    "SET RIBBON ON\r\n"
    "CODEPAGE 8859-15\r\n"
    "COUNTRY 358\r\n"
    "SET HEAD OFF\r\n"
    "SET REPRINT ON\r\n"
    "SET GAP 4\r\n"
    "SET COM1 115,E,7,2\r\n";

TEST(ConfigCommands, EveryRowInOrderAndNothingForAnEmptyRecord) {
  EXPECT_EQ(ConfigCommandText(Full()), FullText);
  EXPECT_EQ(ConfigCommandText(Empty()), "");
  // The texts, resolution and base values are never sent.
  PrinterConfig c = Empty();
  c.dpiValid = c.densityBaseValid = c.offsetBaseValid = c.shiftBaseValid = c.shiftXBaseValid = 1;
  c.densityBase = 4;
  EXPECT_EQ(ConfigCommandText(c), "");
}

TEST(ConfigCommands, NumbersAreRoundedAsFixedPoint) {
  PrinterConfig c = Empty();
  c.speedValid = 1;
  c.speed = 3.0f;
  EXPECT_EQ(ConfigCommandText(c), "SPEED 3.0\r\n");
  c.speed = 2.54f;
  EXPECT_EQ(ConfigCommandText(c), "SPEED 2.5\r\n");
  c.speed = 2.56f;
  EXPECT_EQ(ConfigCommandText(c), "SPEED 2.6\r\n");
  c = Empty();
  c.paperWidthValid = c.paperHeightValid = 1;
  c.paperWidth = 101.567f;
  c.paperHeight = -0.001f;
  EXPECT_EQ(ConfigCommandText(c), "SIZE 101.57 mm,-0.00 mm\r\n");
}

TEST(ConfigCommands, PairsNeedBothHalves) {
  PrinterConfig c = Empty();
  c.paperWidthValid = 1, c.paperWidth = 101.6f;
  c.referenceXValid = 1;
  c.mirrorValid = 1;  // a mirror without a direction sends nothing
  EXPECT_EQ(ConfigCommandText(c), "");
  c.baudRateValid = c.dataBitsValid = c.parityValid = 1;  // three of four
  EXPECT_EQ(ConfigCommandText(c), "");
  c.stopBitsValid = 1;
  c.baudRate = 4, c.parity = 0, c.dataBits = 1, c.stopBits = 0;
  EXPECT_EQ(ConfigCommandText(c), "SET COM1 96,N,8,1\r\n");
}

TEST(ConfigCommands, MediaSensorAlternatives) {
  PrinterConfig c = Empty();
  c.sensorModeValid = 1;
  c.gapSizeValid = c.gapOffsetValid = 1;
  c.gapSize = 3.0f, c.gapOffset = 1.25f;
  c.sensorMode = 0;
  EXPECT_EQ(ConfigCommandText(c), "GAP 3.00 mm,1.25 mm\r\n");
  c.sensorMode = 1;
  EXPECT_EQ(ConfigCommandText(c), "BLINE 3.00 mm,1.25 mm\r\n");
  c.sensorMode = 2;  // continuous, whatever the gap values
  EXPECT_EQ(ConfigCommandText(c), "GAP 0,0\r\n");
  c.sensorMode = 3;
  EXPECT_EQ(ConfigCommandText(c), "");
  c.sensorMode = 0;
  c.gapOffsetValid = 0;  // a gap without its offset sends nothing
  EXPECT_EQ(ConfigCommandText(c), "");
}

TEST(ConfigCommands, PostPrintAlternatives) {
  PrinterConfig c = Empty();
  c.printOutValid = 1;
  const char* const want[] = {
      "SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER OFF\r\n",
      "SET TEAR ON\r\nSET PEEL OFF\r\nSET CUTTER OFF\r\n",
      "SET TEAR OFF\r\nSET PEEL ON\r\nSET CUTTER OFF\r\n",
      "SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER 1\r\n",
  };
  for (int v = 0; v < 4; ++v) {
    c.printOut = v;
    EXPECT_EQ(ConfigCommandText(c), want[v]) << v;
  }
  c.printOut = 3;
  c.cutterPieceValid = 1;
  c.cutterPiece = 0;
  EXPECT_EQ(ConfigCommandText(c), want[3]);
  c.cutterPiece = 25;
  EXPECT_EQ(ConfigCommandText(c), "SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER 25\r\n");
  c.printOut = 1;  // a cut piece without the cutter is not sent
  EXPECT_EQ(ConfigCommandText(c), want[1]);
  c.printOut = 4;
  EXPECT_EQ(ConfigCommandText(c), "");
}

TEST(ConfigCommands, DirectionShiftAndSwitches) {
  PrinterConfig c = Empty();
  c.directionValid = 1, c.direction = 1;
  EXPECT_EQ(ConfigCommandText(c), "DIRECTION 1\r\n");
  c.mirrorValid = 1, c.mirror = 0;
  EXPECT_EQ(ConfigCommandText(c), "DIRECTION 1,0\r\n");

  c = Empty();
  c.shiftValid = 1, c.shift = 5;
  EXPECT_EQ(ConfigCommandText(c), "SHIFT 5\r\n");
  c.shiftValid = 0;
  c.shiftXValid = 1, c.shiftX = 3;
  EXPECT_EQ(ConfigCommandText(c), "SHIFT 3,0\r\n");
  c.shiftValid = 1;
  EXPECT_EQ(ConfigCommandText(c), "SHIFT 3,5\r\n");

  c = Empty();
  c.ribbonValid = c.headValid = c.reprintValid = 1;
  c.ribbon = 2, c.head = 0, c.reprint = -1;  // any value but 0 is ON
  EXPECT_EQ(ConfigCommandText(c), "SET RIBBON ON\r\nSET HEAD OFF\r\nSET REPRINT ON\r\n");
}

TEST(ConfigCommands, EveryValidIntensityGoesOutAsSetGap) {
  PrinterConfig c = Empty();
  c.gapIntenValid = c.blineIntenValid = c.conIntenValid = 1;
  c.gapInten = 1, c.blineInten = 2, c.conInten = 3;
  EXPECT_EQ(ConfigCommandText(c), "SET GAP 1\r\nSET GAP 2\r\nSET GAP 3\r\n");
}

TEST(ConfigCommands, IndexesOutsideTheirTablesAreLeftOut) {
  PrinterConfig c = Empty();
  c.codePageValid = 1, c.codePage = 36;
  c.countryValid = 1, c.country = -1;
  c.baudRateValid = c.dataBitsValid = c.parityValid = c.stopBitsValid = 1;
  c.baudRate = 9;
  EXPECT_EQ(ConfigCommandText(c), "");
  c.codePage = 0, c.country = 0, c.baudRate = 0;
  EXPECT_EQ(ConfigCommandText(c), "CODEPAGE USA\r\nCOUNTRY 001\r\nSET COM1 0,N,7,1\r\n");
}

TEST(ConfigCommands, PeriodWhateverTheNumericLocale) {
  testing::CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma available";
  EXPECT_EQ(ConfigCommandText(Full()), FullText);
}

class WriterTest : public ::testing::Test {
 protected:
  WriterTest() {
    peer.AnswerReports();
    peer.Target(link.tcp);
  }
  BoundLink link;
  LoopbackPeer peer;
};

TEST_F(WriterTest, SendsTheCommandsAloneWithoutReadingBack) {
  PrinterConfig c = Full();
  ASSERT_EQ(RunOperation(OpWriteConfig, KindEthernet, &c, 0), ResultOk);
  // The peer gets the whole text; wait for the connection to end (all it
  // sent is there then) before comparing.
  peer.WaitReceived(sizeof FullText - 1, 3000);
  EXPECT_TRUE(peer.WaitIdle(3000));
  EXPECT_EQ(peer.Received(), FullText);
}

TEST_F(WriterTest, EmptyRecordOpensAndSendsNothing) {
  PrinterConfig c = Empty();
  EXPECT_EQ(WriteConfig(KindEthernet, c), ResultOk);
  EXPECT_EQ(peer.Connections(1, 2000), 1);
  EXPECT_TRUE(peer.WaitIdle(3000));
  EXPECT_EQ(peer.Received(), "");
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  link.tcp.port = refusing.Port();           // the link does not open
  EXPECT_EQ(WriteConfig(KindEthernet, c), ResultPortOpenError);
}

TEST_F(WriterTest, LinkLostAfterSpeedFailsTheDensityWrite) {
  testing::GateAfterFirstWrite gate(peer);
  peer.ResetAfterLines(1);
  PrinterConfig c = Full();
  EXPECT_EQ(WriteConfig(KindEthernet, c), ResultTransmitError);
  EXPECT_EQ(peer.Received(), "SPEED 4.0\r\n");
  // The failed operation closed its link: the next one connects afresh.
  peer.ResetAfterLines(0);
  peer.ClearReceived();
  c = Empty();
  c.densityValid = 1, c.density = 2;
  EXPECT_EQ(WriteConfig(KindEthernet, c), ResultOk);
  peer.WaitReceived(1, 3000);
  EXPECT_TRUE(peer.WaitIdle(3000));
  EXPECT_EQ(peer.Received(), "DENSITY 2\r\n");
}

}  // namespace
}  // namespace varnalux
