// Framing of the printer's report answers, read over a real TCP link from a
// scripted peer.
#include <gtest/gtest.h>

#include <random>

#include "loopback_peer.h"
#include "protocol/report_exchange.h"

namespace varnalux {
namespace {

using testing::BoundLink;
using testing::LoopbackPeer;

struct Answer {
  bool ok = false;
  std::string payload;
  uint32_t length = 0;
};

// Sends a query and reads one answer from a peer that replies with `wire`.
Answer ReadOne(const std::string& wire, uint32_t capacity = 1024) {
  LoopbackPeer peer;
  peer.SetAnswer(wire);
  BoundLink link;
  peer.Target(link.tcp);
  LinkSession session(KindEthernet);
  EXPECT_TRUE(session.IsOpen());
  Answer a;
  std::vector<char> buf(capacity + 8, '#');
  EXPECT_EQ(SendCommand(session, "DIAGNOSTIC REPORT DPI\r\n"), ResultOk);
  a.ok = ReadReportAnswer(session, buf.data(), capacity, a.length);
  if (a.ok) a.payload.assign(buf.data(), a.length);
  // Nothing may be written past the buffer.
  for (uint32_t i = capacity; i < buf.size(); ++i) EXPECT_EQ(buf[i], '#') << "overrun at " << i;
  session.Finish(ResultOk);
  return a;
}

TEST(ReportFraming, LeadInIsSkippedAndPayloadReturned) {
  Answer a = ReadOne("\r\nOK\r\n{2|12}");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.payload, "12");
  EXPECT_EQ(a.length, 2u);
}

TEST(ReportFraming, EmptyPayloadsAreValid) {
  EXPECT_TRUE(ReadOne("{0|}").ok);
  Answer a = ReadOne("{|}");
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.length, 0u);
}

TEST(ReportFraming, MalformedLengthFieldsAreRefused) {
  EXPECT_FALSE(ReadOne("{12|ab}").ok);   // declared length differs
  EXPECT_FALSE(ReadOne("{1a|x}").ok);    // letter in the length field
  EXPECT_FALSE(ReadOne("{abc}").ok);     // no separator
  EXPECT_FALSE(ReadOne("{{3|abc}").ok);  // second brace is a body byte
  EXPECT_FALSE(ReadOne("{-1|}").ok);     // no sign allowed
  EXPECT_FALSE(ReadOne("{ 3|abc}").ok);  // no blanks allowed
}

TEST(ReportFraming, FurtherBarsArePayload) {
  Answer a = ReadOne("{5|a|b|c}");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.payload, "a|b|c");
}

TEST(ReportFraming, LengthFieldOfAtMost31Digits) {
  // 31 digits of a zero-padded 3 pass; 32 fail, even though the value matches.
  EXPECT_TRUE(ReadOne("{" + std::string(30, '0') + "3|abc}").ok);
  EXPECT_FALSE(ReadOne("{" + std::string(31, '0') + "3|abc}").ok);
  // A huge value must not wrap around to the payload length.
  EXPECT_FALSE(ReadOne("{18446744073709551619|abc}").ok);
}

TEST(ReportFraming, MissingCloseBraceIsAcceptedAtTheReadTimeOut) {
  Answer a = ReadOne("{3|abc");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.payload, "abc");
  // ... but not when the payload is incomplete.
  EXPECT_FALSE(ReadOne("{4|abc").ok);
}

TEST(ReportFraming, BodyOfAtMost1024Bytes) {
  std::string payload1019(1019, 'x');  // "1019|" + 1019 = 1024 bytes of body
  Answer a = ReadOne("{1019|" + payload1019 + "}");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.length, 1019u);
  std::string payload1020(1020, 'x');
  EXPECT_FALSE(ReadOne("{1020|" + payload1020 + "}").ok);
}

TEST(ReportFraming, PayloadThatDoesNotFitTheCallersBufferIsRefused) {
  EXPECT_FALSE(ReadOne("{8|abcdefgh}", 8).ok);  // needs 9 with the NUL
  Answer a = ReadOne("{7|abcdefg}", 8);
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.payload, "abcdefg");
}

TEST(ReportFraming, EndlessLeadInIsBounded) {
  // A peer that streams bytes without ever opening an answer cannot hold the
  // read: past a ring's worth of lead-in the answer is missing.
  EXPECT_FALSE(ReadOne(std::string(ReportLeadInMax + 1, 'x') + "{2|ok}").ok);
  Answer a = ReadOne(std::string(ReportLeadInMax, 'x') + "{2|ok}");
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(a.payload, "ok");
}

TEST(ReportFraming, SilentPrinterFailsAfterOneReadTimeOut) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ReadOne("").ok);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::milliseconds(3000));
}

// Random bytes, always ending in a close brace so each read ends quickly:
// the reader must never crash or write outside its buffer (checked above and
// by the sanitizers), and must accept exactly the well-formed answers.
TEST(ReportFraming, MalformedInputSweep) {
  std::mt19937 rng(20261208);
  const char alphabet[] = "{}|0123456789ab\r\n";
  LoopbackPeer peer;
  BoundLink link;
  peer.Target(link.tcp);
  for (int round = 0; round < 150; ++round) {
    std::string wire = "{";
    int n = static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) wire += alphabet[rng() % (sizeof alphabet - 1)];
    wire += "}";
    // Recompute what a correct reader decides for this input.
    std::string body = wire.substr(1, wire.find('}', 1) - 1);
    size_t bar = body.find('|');
    bool digitsOnly =
        bar != std::string::npos && bar <= 31 && body.find_first_not_of("0123456789") == bar;
    bool expected = false;
    std::string payload;
    if (digitsOnly) {
      payload = body.substr(bar + 1);
      std::string field = body.substr(0, bar);
      field.erase(0, field.find_first_not_of('0') == std::string::npos
                         ? field.size()
                         : field.find_first_not_of('0'));
      expected = field.size() <= 6 && std::stoul(field.empty() ? "0" : field) == payload.size();
    }
    peer.SetAnswer(wire);
    LinkSession session(KindEthernet);
    ASSERT_TRUE(session.IsOpen());
    char buf[64];
    uint32_t len = 0;
    ASSERT_EQ(SendCommand(session, "Q\r\n"), ResultOk);
    bool ok = ReadReportAnswer(session, buf, sizeof buf, len);
    session.Finish(ResultOk);
    ASSERT_EQ(ok, expected) << "input " << wire;
    if (ok) {
      EXPECT_EQ(std::string(buf, len), payload);
    }
  }
}

class ReportListTest : public ::testing::Test {
 protected:
  ResultCode List(const std::string& wire, char* buf, uint32_t capacity, uint32_t& total) {
    peer_.SetAnswer(wire);
    peer_.Target(link_.tcp);
    LinkSession session(KindEthernet);
    EXPECT_TRUE(session.IsOpen());
    ResultCode r = QueryReportList(session, "DIAGNOSTIC REPORT FILES\r\n", buf, capacity, total);
    session.Finish(ResultOk);
    return r;
  }
  LoopbackPeer peer_;
  BoundLink link_;
};

TEST_F(ReportListTest, PayloadsJoinedWithCrLf) {
  char buf[64];
  uint32_t total = 99;
  ASSERT_EQ(List("{5|A.BAS}{6|B.FONT}{0|}", buf, sizeof buf, total), ResultOk);
  EXPECT_EQ(total, 15u);
  EXPECT_STREQ(buf, "A.BAS\r\nB.FONT\r\n");
  EXPECT_EQ(peer_.Received(), "DIAGNOSTIC REPORT FILES\r\n");
}

TEST_F(ReportListTest, EmptyListAndBrokenList) {
  char buf[64];
  uint32_t total = 99;
  ASSERT_EQ(List("{0|}", buf, sizeof buf, total), ResultOk);
  EXPECT_EQ(total, 0u);
  EXPECT_STREQ(buf, "");
  total = 77;
  EXPECT_EQ(List("{5|A.BAS}{9|x}", buf, sizeof buf, total), ResultReceiveError);
  EXPECT_EQ(total, 77u);  // not set on failure
}

TEST_F(ReportListTest, ListThatWouldOverrunTheBufferIsRefused) {
  // "A.BAS\r\n" needs 7 bytes and the NUL 1 more: 8 fits, 7 does not.
  char buf[16];
  memset(buf, '#', sizeof buf);
  uint32_t total = 0;
  EXPECT_EQ(List("{5|A.BAS}{0|}", buf, 8, total), ResultOk);
  EXPECT_EQ(total, 7u);
  memset(buf, '#', sizeof buf);
  EXPECT_EQ(List("{5|A.BAS}{0|}", buf, 7, total), ResultReceiveError);
  for (int i = 7; i < 16; ++i) EXPECT_EQ(buf[i], '#');
}

}  // namespace
}  // namespace varnalux
