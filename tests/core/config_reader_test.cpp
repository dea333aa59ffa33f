#include "protocol/config_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "operations/dispatcher.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::LoopbackPeer;

// The wire order of the reader's queries, written out independently.
const char* const WireOrder[] = {
    "DPI",         "VERSION",     "MILAGE",      "CHECKSUM",   "SPEED",    "DENSITY",
    "DENSITYBASE", "PAPERWIDTH",  "PAPERHEIGHT", "SENSORMODE", "GAPSIZE",  "GAPOFFSET",
    "PRINTOUT",    "CUTTERPIECE", "REFERENCEX",  "REFERENCEY", "DIRCTION", "MIRROR",
    "OFFSET",      "OFFSETBASE",  "SHIFT",       "SHIFTBASE",  "RIBBON",   "CODEPAGE",
    "COUNTRY",     "HEAD",        "GAPINTEN",    "BLINEINTEN", "CONINTEN", "BAUDRATE",
    "DATABIT",     "PARITY",      "STOPBIT",     "REPRINT",    "SHIFTX",   "SHIFTXBASE",
};

// The announcement and the queries up to and including the named key.
std::string QueriesThrough(const std::string& last) {
  std::string all = "\r\nDIAGNOSTIC INTERFACE NET\r\n";
  for (const char* key : WireOrder) {
    all += std::string("DIAGNOSTIC REPORT ") + key + "\r\n";
    if (last == key) break;
  }
  return all;
}

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() {
    peer.AnswerAll();
    peer.Target(link.tcp);
    ResetConfig(config);
  }
  ResultCode Read() { return ReadConfig(KindEthernet, config); }

  BoundLink link;
  LoopbackPeer peer;
  PrinterConfig config;
};

TEST_F(ReaderTest, FullReadAsksEveryKeyInWireOrderAndConverts) {
  ASSERT_EQ(Read(), ResultOk);
  EXPECT_EQ(peer.Received(), QueriesThrough("SHIFTXBASE"));

  EXPECT_STREQ(config.version, "V1.16 EZ");
  EXPECT_STREQ(config.milage, "12.5");
  EXPECT_STREQ(config.checksum, "8A3F");
  EXPECT_EQ(config.dpiValid, 1);
  EXPECT_EQ(config.dpi, 203.0f);
  EXPECT_EQ(config.dotsPerMm, 8.0f);
  EXPECT_EQ(config.speed, 4.0f);
  // Dots to mm by the derived 8 dots/mm.
  EXPECT_EQ(config.paperWidth, 101.5f);
  EXPECT_EQ(config.paperHeight, 50.75f);
  EXPECT_EQ(config.gapSize, 3.0f);
  EXPECT_EQ(config.gapOffsetValid, 1);
  EXPECT_EQ(config.gapOffset, 0.0f);
  EXPECT_EQ(config.offset, -3);
  EXPECT_EQ(config.direction, 1);
  EXPECT_EQ(config.codePage, 10);  // "850"
  EXPECT_EQ(config.country, 17);   // "049"
  EXPECT_EQ(config.baudRate, 4);   // "9600"
  EXPECT_EQ(config.dataBits, 1);
  EXPECT_EQ(config.parity, 0);
  EXPECT_EQ(config.stopBits, 0);
  EXPECT_EQ(config.reprintValid, 1);
  EXPECT_EQ(config.reprint, 1);
  EXPECT_EQ(config.shiftXValid, 1);
  EXPECT_EQ(config.shiftX, -2);
  EXPECT_EQ(config.shiftXBaseValid, 1);
  EXPECT_EQ(config.shiftXBase, 6);
  EXPECT_EQ(config.densityBaseValid, 1);  // answered 0: valid, value 0
  EXPECT_EQ(config.densityBase, 0);
}

TEST_F(ReaderTest, OptionalKeysStopAtTheFirstUnknownOne) {
  // No REPRINT: SHIFTX and SHIFTXBASE are never asked, and the read succeeds.
  peer.Forget("REPRINT");
  ASSERT_EQ(Read(), ResultOk);
  EXPECT_EQ(peer.Received(), QueriesThrough("REPRINT"));
  EXPECT_EQ(config.reprintValid, 0);
  EXPECT_EQ(config.shiftXValid, 0);
  EXPECT_EQ(config.shiftXBaseValid, 0);
  EXPECT_EQ(config.stopBitsValid, 1);

  // REPRINT known, SHIFTX not: SHIFTXBASE is never asked.
  peer.Answer("REPRINT", "0");
  peer.Forget("SHIFTX");
  peer.ClearReceived();
  ResetConfig(config);
  ASSERT_EQ(Read(), ResultOk);
  EXPECT_EQ(peer.Received(), QueriesThrough("SHIFTX"));
  EXPECT_EQ(config.reprintValid, 1);
  EXPECT_EQ(config.reprint, 0);
  EXPECT_EQ(config.shiftXValid, 0);
  EXPECT_EQ(config.shiftXBaseValid, 0);
}

TEST_F(ReaderTest, ResolutionGivesWholeDotsPerMm) {
  struct Case {
    const char* dpi;
    float dotsPerMm;
    const char* width;  // dots
    float widthMm;
  };
  const Case cases[] = {
      {"203", 8.0f, "812", 101.5f},   {"300", 12.0f, "1200", 100.0f}, {"600", 24.0f, "1212", 50.5f},
      {"203.2 dpi", 8.0f, "8", 1.0f},  // lenient: the number before the text
      {"13", 1.0f, "7", 7.0f},         // the smallest that still rounds to a dot
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    peer.Answer("DPI", c.dpi);
    peer.Answer("PAPERWIDTH", c.width);
    ResetConfig(config);
    ASSERT_EQ(Read(), ResultOk);
    EXPECT_EQ(config.dotsPerMm, c.dotsPerMm);
    EXPECT_EQ(config.paperWidth, c.widthMm);
  }
}

TEST_F(ReaderTest, UnusableResolutionFailsBeforeVersionIsAsked) {
  // Zero, no digits, under one dot per mm after rounding, or not finite.
  for (const char* dpi : {"0", "abc", "", "5", "12", "-3", "nan", "inf", "1e30"}) {
    SCOPED_TRACE(dpi);
    peer.Answer("DPI", dpi);
    peer.ClearReceived();
    ResetConfig(config);
    EXPECT_EQ(Read(), ResultReceiveError);
    EXPECT_EQ(peer.Received(), QueriesThrough("DPI"));
    EXPECT_EQ(config.dpiValid, 0);
  }
}

TEST_F(ReaderTest, NamesOutsideTheTablesGiveTheTableSize) {
  peer.Answer("CODEPAGE", "866");
  peer.Answer("COUNTRY", "49");
  peer.Answer("BAUDRATE", "0");
  peer.Answer("DATABIT", "8 ");  // exact match only
  peer.Answer("PARITY", "none");
  peer.Answer("STOPBIT", "2");
  ASSERT_EQ(Read(), ResultOk);
  EXPECT_EQ(config.codePage, 36);
  EXPECT_EQ(config.country, 22);
  EXPECT_EQ(config.baudRate, 0);
  EXPECT_EQ(config.dataBits, 2);
  EXPECT_EQ(config.parity, 3);
  EXPECT_EQ(config.stopBits, 1);
  EXPECT_EQ(config.codePageValid, 1);
  EXPECT_EQ(config.parityValid, 1);
}

TEST_F(ReaderTest, NumbersAreConvertedLeniently) {
  peer.Answer("SPEED", " 2.5ips");
  peer.Answer("DENSITY", "  +12x");
  peer.Answer("OFFSET", "-7.9");
  peer.Answer("PAPERHEIGHT", "none");        // no digits: 0 dots
  peer.Answer("REFERENCEX", "99999999999");  // saturates instead of wrapping
  peer.Answer("SHIFT", "3,5");
  ASSERT_EQ(Read(), ResultOk);
  EXPECT_EQ(config.speed, 2.5f);
  EXPECT_EQ(config.density, 12);
  EXPECT_EQ(config.offset, -7);
  EXPECT_EQ(config.paperHeightValid, 1);
  EXPECT_EQ(config.paperHeight, 0.0f);
  EXPECT_EQ(config.referenceX, 2147483647);
  EXPECT_EQ(config.shift, 3);
}

TEST_F(ReaderTest, FirstFailingMandatoryQueryEndsTheRead) {
  // A malformed answer fails at once; nothing after it is asked.
  peer.RawAnswer("DENSITYBASE", "{9|4}");
  EXPECT_EQ(Read(), ResultReceiveError);
  EXPECT_EQ(peer.Received(), QueriesThrough("DENSITYBASE"));

  // A key the printer does not know (silence) among the mandatory ones.
  peer.RawAnswer("DENSITYBASE", "{1|4}");
  peer.Forget("STOPBIT");
  peer.ClearReceived();
  ResetConfig(config);
  EXPECT_EQ(Read(), ResultReceiveError);
  EXPECT_EQ(peer.Received(), QueriesThrough("STOPBIT"));
}

TEST_F(ReaderTest, FailedAnnouncementEndsTheReadBeforeAnyQuery) {
  peer.RawAnswer(LoopbackPeer::Interface, "{abc}");
  EXPECT_EQ(Read(), ResultReceiveError);
  EXPECT_EQ(peer.Received(), "\r\nDIAGNOSTIC INTERFACE NET\r\n");
}

TEST_F(ReaderTest, ClosedPortGivesTheOpenError) {
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  link.tcp.port = refusing.Port();
  EXPECT_EQ(Read(), ResultPortOpenError);
  EXPECT_EQ(config.dpiValid, 0);
}

TEST_F(ReaderTest, LongTextsAreCutToTheirFields) {
  std::string version(1000, 'v');
  peer.Answer("VERSION", version);
  peer.Answer("MILAGE", std::string(40, '7'));
  peer.Answer("CHECKSUM", "0123456789ABCDEFGHIJ");
  ASSERT_EQ(Read(), ResultOk);
  EXPECT_EQ(std::string(config.version), std::string(255, 'v'));
  EXPECT_EQ(std::string(config.milage), std::string(15, '7'));
  EXPECT_EQ(std::string(config.checksum), "0123456789ABCDE");
  // The fields after the texts, filled before them, are untouched.
  EXPECT_EQ(config.dpiValid, 1);
  EXPECT_EQ(config.dpi, 203.0f);
  EXPECT_EQ(config.dotsPerMm, 8.0f);
}

TEST_F(ReaderTest, DispatcherRunsTheReadAndRefusesTheParallelLink) {
  EXPECT_EQ(RunOperation(OpReadConfig, KindEthernet, &config, 0), ResultOk);
  EXPECT_EQ(config.paperWidth, 101.5f);
  PrinterConfig other;
  ResetConfig(other);
  EXPECT_EQ(RunOperation(OpReadConfig, KindLpt, &other, 0), ResultReceiveError);
  EXPECT_EQ(other.dpiValid, 0);
}

}  // namespace
}  // namespace varnalux
