// The discovery protocol's bytes: requests as they leave, answers as they
// may arrive (short, hostile, without terminators), the address and MAC
// texts, the status table and the override of destinations.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "net/dotted_address.h"
#include "net/printer_rows.h"
#include "net/udp_options.h"
#include "net/udp_protocol.h"

namespace varnalux::net {
namespace {

using Bytes = std::vector<uint8_t>;

const Mac SampleMac = {0x00, 0x1B, 0x82, 0x0A, 0x50, 0xFE};

// The header as a reader of the wire sees it, for a command.
Bytes ExpectedHeader(uint8_t byte7, uint16_t command, uint16_t body, uint16_t sequence,
                     const Mac& mac) {
  Bytes h = {0x00, 0x20, 0x00, 0x01, 0x00, 0x01, 0x08, byte7};
  h.push_back(static_cast<uint8_t>(command >> 8));
  h.push_back(static_cast<uint8_t>(command));
  h.push_back(static_cast<uint8_t>(body >> 8));
  h.push_back(static_cast<uint8_t>(body));
  h.push_back(static_cast<uint8_t>(sequence >> 8));
  h.push_back(static_cast<uint8_t>(sequence));
  h.insert(h.end(), {0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
  h.insert(h.end(), mac.begin(), mac.end());
  h.insert(h.end(), {0, 0, 0, 0});
  return h;
}

Bytes Head(const Bytes& b) { return Bytes(b.begin(), b.begin() + 32); }

TEST(NetRequests, HeadersOfEveryCommandAndTheirSizes) {
  const Bytes discovery = BuildDiscoveryRequest(1);
  ASSERT_EQ(discovery.size(), 32u);
  EXPECT_EQ(discovery, ExpectedHeader(0x00, 0x0002, 0, 1, BroadcastMac));

  const Bytes reset = BuildFactoryDefaultRequest(2, SampleMac);
  ASSERT_EQ(reset.size(), 32u);
  EXPECT_EQ(reset, ExpectedHeader(0x02, 0x0001, 0, 2, SampleMac));

  SettingRequest change(3, SampleMac);
  const Bytes readAddress = change.Read(SelectorAddress);
  ASSERT_EQ(readAddress.size(), 34u);
  EXPECT_EQ(Head(readAddress), ExpectedHeader(0x02, 0x0003, 2, 3, SampleMac));
  EXPECT_EQ(readAddress[32], 4);
  EXPECT_EQ(readAddress[33], 0);
  EXPECT_EQ(change.Read(SelectorMode)[32], 5);

  const Bytes close = change.WriteClose();
  ASSERT_EQ(close.size(), 1064u);
  EXPECT_EQ(Head(close), ExpectedHeader(0x02, 0x0004, 1032, 3, SampleMac));
}

TEST(NetRequests, OnlyTheLowSixteenBitsOfTheSequenceTravel) {
  const Bytes d = BuildDiscoveryRequest(0x12345678);
  EXPECT_EQ(d[12], 0x56);
  EXPECT_EQ(d[13], 0x78);
  EXPECT_EQ(d[14], 0x00);
  EXPECT_EQ(d[15], 0x00);
  const Bytes wrapped = BuildDiscoveryRequest(0x10001);
  EXPECT_EQ(wrapped[12], 0x00);
  EXPECT_EQ(wrapped[13], 0x01);
}

// The four writes of a change, byte for byte: each carries what the ones
// before it wrote, and the read selector does not leak into byte 32.
TEST(NetRequests, TheFourWritesAreCumulative) {
  SettingRequest change(7, SampleMac);
  change.Read(SelectorAddress);
  change.Read(SelectorMode);

  Bytes expected = ExpectedHeader(0x02, 0x0004, 1032, 7, SampleMac);
  expected.resize(1064, 0);
  const std::string name = "Label-Line-3";

  expected[34] = 0;
  std::copy(name.begin(), name.end(), expected.begin() + 176);
  EXPECT_EQ(change.WriteName(name), expected);

  expected[34] = 4;
  const Bytes addresses = {10, 1, 2, 3, 255, 255, 0, 0, 10, 1, 0, 254};
  std::copy(addresses.begin(), addresses.end(), expected.begin() + 69);
  EXPECT_EQ(change.WriteAddress("10.1.2.3", "255.255.0.0", "10.1.0.254"), expected);

  expected[34] = 5;
  expected[942] = 1;
  expected[948] = 1;
  EXPECT_EQ(change.WriteMode(false), expected);

  expected[34] = 7;
  EXPECT_EQ(change.WriteClose(), expected);

  // DHCP is 8 and 4; a bad typed address goes out as FF FF FF FF.
  const Bytes dhcp = change.WriteMode(true);
  EXPECT_EQ(dhcp[942], 8);
  EXPECT_EQ(dhcp[948], 4);
  const Bytes bad = change.WriteAddress("10.1.2", "x", "1.2.3.4");
  EXPECT_EQ(Bytes(bad.begin() + 69, bad.begin() + 81),
            (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}));
}

TEST(NetRequests, ALongNameIsCutInsideItsFieldAndAShorterOneClearsTheRest) {
  SettingRequest change(1, SampleMac);
  const Bytes longName = change.WriteName(std::string(100, 'N'));
  EXPECT_EQ(Bytes(longName.begin() + 176, longName.begin() + 239), Bytes(63, 'N'));
  EXPECT_EQ(longName[239], 0);  // terminator inside the 64-byte field
  EXPECT_EQ(longName[240], 0);
  const Bytes shortName = change.WriteName("AB");
  EXPECT_EQ(shortName[178], 0);
  EXPECT_EQ(shortName[200], 0);
}

TEST(NetAddresses, DottedTextsBothWays) {
  EXPECT_EQ(ParseDottedAddress("1.2.3.4"), (Address{1, 2, 3, 4}));
  EXPECT_EQ(ParseDottedAddress("1.2.3.4x"), (Address{1, 2, 3, 4}));
  EXPECT_EQ(ParseDottedAddress("1.2.3.4 "), (Address{1, 2, 3, 4}));
  EXPECT_EQ(ParseDottedAddress("255.255.255.0"), (Address{255, 255, 255, 0}));
  EXPECT_EQ(ParseDottedAddress("010.001.0.9"), (Address{10, 1, 0, 9}));
  const Address invalid = {0xFF, 0xFF, 0xFF, 0xFF};
  for (const char* bad : {"1.2.3", "256.1.1.1", "1.2.3.4.5", "", "a.b.c.d", "1..2.3", "1.2.3.",
                          " 1.2.3.4", "-1.2.3.4", "1.2.3.99999999999999999999", "1.2.3.256"})
    EXPECT_EQ(ParseDottedAddress(bad), invalid) << bad;

  EXPECT_EQ(FormatDottedAddress({192, 168, 1, 100}), "192.168.1.100");
  EXPECT_EQ(FormatDottedAddress({0, 0, 0, 0}), "0.0.0.0");
  EXPECT_EQ(FormatDottedAddress({10, 0, 255, 7}), "10.0.255.7");
}

TEST(NetAddresses, MacTextsBothWays) {
  EXPECT_EQ(FormatMacText(SampleMac), "00:1B:82:0A:50:FE");
  Mac mac{};
  ASSERT_TRUE(ParseMacText("00:1b:82:0A:50:fe", mac));
  EXPECT_EQ(mac, SampleMac);
  for (const char* bad : {"00:1B:82:0A:50", "00:1B:82:0A:50:FE:01", "00-1B-82-0A-50-FE",
                          "0G:1B:82:0A:50:FE", "001B820A50FE", "", "00:1B:82:0A:50:F"}) {
    Mac untouched = SampleMac;
    EXPECT_FALSE(ParseMacText(bad, untouched)) << bad;
    EXPECT_EQ(untouched, SampleMac) << bad;
  }
}

// A discovery answer laid out field by field.
Bytes Answer(uint8_t state, uint8_t errors, const std::string& model, const std::string& name) {
  Bytes a(84, 0);
  std::copy(SampleMac.begin(), SampleMac.end(), a.begin() + 22);
  a[40] = state;
  a[41] = errors;
  const Bytes ip = {192, 168, 7, 21};
  std::copy(ip.begin(), ip.end(), a.begin() + 44);
  std::copy(model.begin(), model.end(), a.begin() + 52);
  a.insert(a.end(), name.begin(), name.end());
  a.push_back(0);
  return a;
}

TEST(NetRows, StatusTextsFollowTheTableInOrder) {
  struct Case {
    uint8_t state, errors;
    const char* text;
  } cases[] = {
      {1, 0xFF, "Printing"},     {2, 0x01, "Pause"},        {3, 0x41, "Carriage Open"},
      {3, 0x50, "Over Heat"},    {3, 0x80, "Over Heat"},    {3, 0x06, "Paper Jam"},
      {3, 0x04, "Paper Empty"},  {3, 0x10, "Ribbon Error"}, {3, 0x28, "Ribbon Error"},
      {3, 0x20, "Cutter Error"}, {3, 0x00, "Error"},        {0, 0x00, "Ready"},
      {0, 0xFF, "Ready"},        {4, 0x01, "Ready"},        {0xFF, 0x00, "Ready"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(StatusText(c.state, c.errors), c.text)
        << int(c.state) << "/" << std::hex << int(c.errors);
}

TEST(NetRows, ARowFromAWholeAnswer) {
  std::vector<PrinterRow> rows;
  const Bytes a = Answer(3, 0x41, "TL-300", "Dock <b>2</b>");
  ASSERT_TRUE(AddPrinterRow(rows, a.data(), a.size()));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "Dock <b>2</b>");
  EXPECT_EQ(rows[0].mac, "00:1B:82:0A:50:FE");
  EXPECT_EQ(rows[0].ip, "192.168.7.21");
  EXPECT_EQ(rows[0].model, "TL-300");
  EXPECT_EQ(rows[0].status, "Carriage Open");
}

TEST(NetRows, ShortAnswersGiveEmptyFieldsAndTooShortOnesNoRow) {
  std::vector<PrinterRow> rows;
  const Bytes whole = Answer(2, 0, "TL-300", "Dock");
  // Exactly as long as each length, so a read past the end is caught by
  // the sanitizers.
  Bytes b31(whole.begin(), whole.begin() + 31);
  EXPECT_FALSE(AddPrinterRow(rows, b31.data(), b31.size()));
  EXPECT_FALSE(AddPrinterRow(rows, nullptr, 0));
  EXPECT_TRUE(rows.empty());

  Bytes b32(whole.begin(), whole.begin() + 32);
  ASSERT_TRUE(AddPrinterRow(rows, b32.data(), b32.size()));
  EXPECT_EQ(rows.back().mac, "00:1B:82:0A:50:FE");
  EXPECT_EQ(rows.back().ip, "0.0.0.0");
  EXPECT_EQ(rows.back().status, "Ready");
  EXPECT_EQ(rows.back().name, "");

  Bytes b46(whole.begin(), whole.begin() + 46);  // half an address
  ASSERT_TRUE(AddPrinterRow(rows, b46.data(), b46.size()));
  EXPECT_EQ(rows.back().ip, "192.168.0.0");
  EXPECT_EQ(rows.back().status, "Pause");

  Bytes b55(whole.begin(), whole.begin() + 55);  // model cut by the datagram's end
  ASSERT_TRUE(AddPrinterRow(rows, b55.data(), b55.size()));
  EXPECT_EQ(rows.back().model, "TL-");
  EXPECT_EQ(rows.back().name, "");

  Bytes b86(whole.begin(), whole.begin() + 86);  // name without its terminator
  ASSERT_TRUE(AddPrinterRow(rows, b86.data(), b86.size()));
  EXPECT_EQ(rows.back().name, "Do");
}

TEST(NetRows, TextsStopAtTheirFieldEvenWithoutATerminator) {
  Bytes a = Answer(0, 0, "", "");
  std::fill(a.begin() + 52, a.begin() + 84, 'M');  // model fills its 32 bytes
  a.resize(84);
  a.insert(a.end(), 2048 - 84, 'N');  // the name runs to the 2048th byte
  std::vector<PrinterRow> rows;
  ASSERT_TRUE(AddPrinterRow(rows, a.data(), a.size()));
  EXPECT_EQ(rows[0].model, std::string(32, 'M'));
  EXPECT_EQ(rows[0].name, std::string(2048 - 84, 'N'));
}

// Random datagrams of every length up to 2048 bytes: each either adds one
// row or none, and never reads past what arrived (the sanitizer build
// checks the last part).
TEST(NetRows, RandomDatagramsAreParsedWithinTheirBytes) {
  std::mt19937 random(20261208);
  std::vector<PrinterRow> rows;
  size_t accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    const size_t size = round < 2049 ? static_cast<size_t>(round) : random() % 2049;
    Bytes datagram(size);
    for (uint8_t& b : datagram) b = static_cast<uint8_t>(random());
    if (round % 3 == 0 && size > 84) std::fill(datagram.begin() + 52, datagram.end(), 'x');
    const bool added = AddPrinterRow(rows, datagram.data(), datagram.size());
    EXPECT_EQ(added, size >= 32) << size;
    if (!added) continue;
    ++accepted;
    const PrinterRow& r = rows.back();
    EXPECT_EQ(r.mac.size(), 17u);
    EXPECT_LE(r.ip.size(), 15u);
    EXPECT_LE(r.model.size(), 32u);
    EXPECT_LE(r.name.size(), size > 84 ? size - 84 : 0u);
    EXPECT_EQ(r.name.find('\0'), std::string::npos);
  }
  EXPECT_EQ(rows.size(), accepted);
}

TEST(NetRows, ThePathsOfAPrinterAreItsRowsWaysInOrderEachOnce) {
  const AnswerPath one{3, 0x0A000001u, 22368}, two{4, 0x0A000001u, 22368};
  std::vector<PrinterRow> rows(5);
  const char* macs[] = {"A", "B", "A", "A", "A"};
  const AnswerPath paths[] = {two, one, one, two, one};
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].mac = macs[i];
    rows[i].path = paths[i];
  }
  EXPECT_EQ(PathsOf(rows, "A"), (std::vector<AnswerPath>{two, one}));
  EXPECT_EQ(PathsOf(rows, "B"), (std::vector<AnswerPath>{one}));
  EXPECT_TRUE(PathsOf(rows, "C").empty());
}

// Which datagram answers a targeted request: the request's command,
// sequence number (or 0, from a printer that does not echo it), MAC and
// selector (where the answer reaches it).
TEST(NetAnswers, AnAnswerMatchesOnlyItsRequest) {
  SettingRequest change(0x1234, SampleMac);
  const Bytes readMode = change.Read(SelectorMode);
  Bytes answer(1064, 0);
  std::copy(readMode.begin(), readMode.end(), answer.begin());
  EXPECT_TRUE(AnswersRequest(answer.data(), answer.size(), readMode));
  EXPECT_TRUE(AnswersRequest(answer.data(), 32, readMode));  // too short to say the selector
  EXPECT_FALSE(AnswersRequest(answer.data(), 31, readMode));
  EXPECT_FALSE(AnswersRequest(answer.data(), answer.size(), change.Read(SelectorAddress)));
  EXPECT_FALSE(AnswersRequest(nullptr, 0, readMode));

  auto changed = [&](size_t offset, uint8_t value) {
    Bytes a = answer;
    a[offset] = value;
    return AnswersRequest(a.data(), a.size(), readMode);
  };
  EXPECT_FALSE(changed(9, 0x04));   // another command
  EXPECT_FALSE(changed(13, 0x35));  // another sequence number
  EXPECT_FALSE(changed(27, 0xFF));  // another printer
  EXPECT_FALSE(changed(32, 4));     // the other selector
  Bytes unechoed = answer;
  unechoed[12] = unechoed[13] = 0;
  EXPECT_TRUE(AnswersRequest(unechoed.data(), unechoed.size(), readMode));

  // A write's answer: the header alone, or with the selector at 34.
  const Bytes writeName = change.WriteName("N");
  Bytes written(writeName.begin(), writeName.begin() + 32);
  EXPECT_TRUE(AnswersRequest(written.data(), written.size(), writeName));
  EXPECT_FALSE(AnswersRequest(written.data(), written.size(), readMode));
  EXPECT_TRUE(AnswersRequest(writeName.data(), writeName.size(), writeName));
  EXPECT_FALSE(AnswersRequest(writeName.data(), writeName.size(), change.WriteClose()));
}

TEST(NetSettingAnswers, FieldsAtTheirOffsetsAndNothingFromAnAnswerTooShort) {
  Bytes a(1064, 0);
  const Bytes fields = {10, 0, 0, 9, 255, 255, 255, 0, 10, 0, 0, 1};
  std::copy(fields.begin(), fields.end(), a.begin() + 69);
  a[942] = 8;
  Address ip, mask, gateway;
  ASSERT_TRUE(ParseAddressAnswer(a.data(), a.size(), ip, mask, gateway));
  EXPECT_EQ(FormatDottedAddress(ip), "10.0.0.9");
  EXPECT_EQ(FormatDottedAddress(mask), "255.255.255.0");
  EXPECT_EQ(FormatDottedAddress(gateway), "10.0.0.1");
  bool dhcp = false;
  ASSERT_TRUE(ParseModeAnswer(a.data(), a.size(), dhcp));
  EXPECT_TRUE(dhcp);
  a[942] = 1;
  ASSERT_TRUE(ParseModeAnswer(a.data(), a.size(), dhcp));
  EXPECT_FALSE(dhcp);

  // The gateway ends at byte 81 and the mode is byte 942: an answer that
  // stops before them says nothing, and the fields are left alone.
  EXPECT_TRUE(ParseAddressAnswer(a.data(), 81, ip, mask, gateway));
  const Address seven = {7, 7, 7, 7};
  for (size_t size : {size_t{0}, size_t{32}, size_t{75}, size_t{80}}) {
    ip = mask = gateway = seven;
    EXPECT_FALSE(ParseAddressAnswer(a.data(), size, ip, mask, gateway)) << size;
    EXPECT_EQ(ip, seven);
    EXPECT_EQ(gateway, seven);
  }
  dhcp = true;
  EXPECT_TRUE(ParseModeAnswer(a.data(), 943, dhcp));
  EXPECT_FALSE(dhcp);
  dhcp = true;
  EXPECT_FALSE(ParseModeAnswer(a.data(), 942, dhcp));
  EXPECT_FALSE(ParseModeAnswer(a.data(), 32, dhcp));
  EXPECT_TRUE(dhcp);
}

TEST(NetOverride, DestinationsAreParsedStrictly) {
  std::vector<Destination> d;
  std::string error;
  ASSERT_TRUE(ParseDestinations("127.0.0.1:4000, 127.0.0.2:65535", d, error));
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].address, 0x7F000001u);
  EXPECT_EQ(d[0].port, 4000);
  EXPECT_EQ(d[1].address, 0x7F000002u);
  EXPECT_EQ(d[1].port, 65535);

  const std::vector<Destination> before = d;
  for (const char* bad : {"", "127.0.0.1", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536",
                          "localhost:4000", "127.0.0.1:4000,", "127.0.0.1:40x", "1.2.3:4",
                          "127.0.0.1:4000,,127.0.0.1:4001", "127.0.0.1:99999999999999999999"}) {
    error.clear();
    EXPECT_FALSE(ParseDestinations(bad, d, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(d.size(), before.size()) << bad;
  }

  // Addresses that reach no single printer are refused, all with the
  // message of the broadcast address: the broadcast, multicast groups,
  // 0.0.0.0, the loopback broadcast and the broadcasts of the interfaces.
  const std::vector<uint32_t> broadcasts = {0x0A0102FFu};  // 10.1.2.255
  std::string broadcastError;
  ASSERT_FALSE(ParseDestinations("255.255.255.255:22368", d, broadcastError, broadcasts));
  EXPECT_NE(broadcastError.find("255.255.255.255:22368' is not one printer's address"),
            std::string::npos)
      << broadcastError;
  for (const char* bad :
       {"224.0.0.251:22368", "239.1.1.1:5", "0.0.0.0:22368", "127.255.255.255:22368",
        "10.1.2.255:22368", "127.0.0.1:4000, 10.1.2.255:22368"}) {
    error.clear();
    EXPECT_FALSE(ParseDestinations(bad, d, error, broadcasts)) << bad;
    const std::string entry = std::string(bad).substr(std::string(bad).rfind(' ') + 1);
    std::string expected = broadcastError;
    expected.replace(1, std::string("255.255.255.255:22368").size(), entry);
    EXPECT_EQ(error, expected) << bad;
    EXPECT_EQ(d.size(), before.size()) << bad;
  }
  EXPECT_TRUE(ParseDestinations("10.1.2.254:22368", d, error, broadcasts));
  EXPECT_TRUE(ParseDestinations("10.1.2.255:22368", d, error));  // not an interface's here

  std::string many;
  for (int i = 0; i < 17; ++i)
    many += (i ? "," : "") + std::string("127.0.0.1:") + std::to_string(1000 + i);
  EXPECT_FALSE(ParseDestinations(many, d, error));
}

}  // namespace
}  // namespace varnalux::net
