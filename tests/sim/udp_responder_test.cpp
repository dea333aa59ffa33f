// The virtual printer's UDP side, fed datagrams directly: what it answers,
// what it applies and when, and what it ignores.
#include "sim/udp_responder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/printer_core.h"

namespace varnalux::sim {
namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t Mine[6] = {0x00, 0x1B, 0x82, 0x56, 0x50, 0x01};  // the default MAC
const uint8_t Other[6] = {0x00, 0x1B, 0x82, 0x56, 0x50, 0x02};

Bytes Request(uint16_t command, const uint8_t mac[6], size_t size) {
  Bytes d(size, 0);
  d[1] = 0x20;
  d[3] = d[5] = 1;
  d[6] = 0x08;
  d[9] = static_cast<uint8_t>(command);
  d[13] = 1;
  std::memcpy(d.data() + 22, mac, 6);
  return d;
}

Bytes Write(uint8_t selector, const uint8_t mac[6]) {
  Bytes d = Request(4, mac, 1064);
  d[34] = selector;
  return d;
}

struct Responder {
  PrinterCore core{PrinterOptions{}};
  UdpResponder udp{core};
  Bytes Answer(const Bytes& d) { return udp.Answer(d.data(), d.size()); }
};

TEST(UdpResponder, DiscoveryAnswerCarriesStatusAddressModelAndName) {
  Responder r;
  r.core.status = 0x01 | 0x40;  // head open, too hot
  r.core.net.netName = "Bay 4";
  const uint8_t broadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes a = r.Answer(Request(2, broadcast, 32));
  ASSERT_EQ(a.size(), 148u);
  EXPECT_EQ(0, std::memcmp(a.data() + 22, Mine, 6));
  EXPECT_EQ(a[13], 1);  // the request's number comes back
  EXPECT_EQ(a[40], 3);
  EXPECT_EQ(a[41], 0x41);
  EXPECT_EQ(Bytes(a.begin() + 44, a.begin() + 48), (Bytes{192, 168, 1, 120}));
  EXPECT_STREQ(reinterpret_cast<const char*>(a.data() + 52), "VL-200");
  EXPECT_STREQ(reinterpret_cast<const char*>(a.data() + 84), "Bay 4");

  r.core.status = 0x20;
  EXPECT_EQ(r.Answer(Request(2, broadcast, 32))[40], 1);
  r.core.status = 0x10;
  EXPECT_EQ(r.Answer(Request(2, broadcast, 32))[40], 2);
  r.core.status = 0x80;
  const Bytes other = r.Answer(Request(2, broadcast, 32));
  EXPECT_EQ(other[40], 3);
  EXPECT_EQ(other[41], 0);
}

TEST(UdpResponder, WritesWaitForTheClosingRequestAndOtherMacsAreIgnored) {
  Responder r;
  Bytes name = Write(0, Mine);
  std::memcpy(name.data() + 176, "Renamed", 7);
  Bytes address = Write(4, Mine);
  const uint8_t fields[12] = {10, 2, 3, 4, 255, 255, 255, 0, 10, 2, 3, 1};
  std::memcpy(address.data() + 69, fields, sizeof fields);
  Bytes mode = Write(5, Mine);
  mode[942] = 1;
  for (const Bytes& d : {name, address, mode}) EXPECT_EQ(r.Answer(d).size(), 32u);
  EXPECT_EQ(r.core.net.netName, "VPRINTER");  // nothing applied yet
  EXPECT_TRUE(r.core.net.dhcp);

  Bytes foreign = Write(7, Other);
  EXPECT_TRUE(r.Answer(foreign).empty());
  EXPECT_EQ(r.core.net.netName, "VPRINTER");

  EXPECT_EQ(r.Answer(Write(7, Mine)).size(), 32u);
  EXPECT_EQ(r.core.net.netName, "Renamed");
  EXPECT_EQ(r.core.net.ipAddress, "10.2.3.4");
  EXPECT_EQ(r.core.net.subnetMask, "255.255.255.0");
  EXPECT_EQ(r.core.net.gateway, "10.2.3.1");
  EXPECT_FALSE(r.core.net.dhcp);

  // The reads give back what was applied.
  Bytes read = Request(3, Mine, 34);
  read[32] = 4;
  const Bytes a = r.Answer(read);
  ASSERT_EQ(a.size(), 1064u);
  EXPECT_EQ(Bytes(a.begin() + 69, a.begin() + 81), Bytes(fields, fields + 12));
  read[32] = 5;
  EXPECT_EQ(r.Answer(read)[942], 1);
  read[32] = 9;
  EXPECT_TRUE(r.Answer(read).empty());
}

TEST(UdpResponder, FactoryDefaultKeepsTheMacAndShortOrForeignDatagramsGetNothing) {
  Responder r;
  r.core.net.netName = "Custom";
  r.core.net.macAddress = "00:1B:82:56:50:02";
  EXPECT_TRUE(r.Answer(Request(1, Mine, 32)).empty());
  EXPECT_EQ(r.core.net.netName, "Custom");  // not its MAC
  EXPECT_TRUE(r.Answer(Request(1, Other, 32)).empty());
  EXPECT_EQ(r.core.net.netName, "VPRINTER");
  EXPECT_EQ(r.core.net.macAddress, "00:1B:82:56:50:02");

  Bytes wrongLength = Request(2, Other, 32);
  wrongLength[1] = 0x21;
  for (const Bytes& d : {Bytes{}, Bytes(31, 0), wrongLength, Request(4, Other, 500),
                         Request(3, Other, 33), Request(9, Other, 32)})
    EXPECT_TRUE(r.Answer(d).empty()) << d.size();
  EXPECT_EQ(r.udp.Received().size(), 8u);
}

}  // namespace
}  // namespace varnalux::sim
