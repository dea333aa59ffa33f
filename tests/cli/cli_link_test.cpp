// The tool's link options: IPv6 printer addresses, and why a port did not
// open on the line below "Port Open Error".
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/cli/cli_runner.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/refusing_port.h"

namespace varnalux {
namespace {

using testing::LoopbackPeer;
using testing::RunCli;

TEST(CliLink, SendsToAnIPv6AddressInBrackets) {
  LoopbackPeer peer(LoopbackPeer::V6);
  const std::string target = "[::1]:" + std::to_string(peer.Port());
  auto r = RunCli({"--tcp", target, "send", "-"}, "CLS\r\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(peer.WaitReceived(5, 3000), 5u);
  EXPECT_EQ(peer.Received(), "CLS\r\n");
  // The brackets must close and the port must be a number.
  EXPECT_EQ(RunCli({"--tcp", "[::1", "probe"}).exitCode, 64);
  EXPECT_EQ(RunCli({"--tcp", "[::1]:x", "probe"}).exitCode, 64);
}

TEST(CliLink, APortOpenErrorSaysWhy) {
  varnalux::testing::RefusingPort refusing;  // bound, never listening: refuses
  auto r = RunCli({"--tcp", refusing.Address(), "probe"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Port Open Error\nThe printer refused the connection.\n");

  r = RunCli({"--com", "/nonexistent/tty", "probe"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Port Open Error\nThe port does not exist.\n");

  // A file given as the parallel port is refused and left as it was.
  testing::TempFolder folder;
  const std::string path = folder.Path("cli_not_a_port.txt");
  std::ofstream(path) << "keep";
  r = RunCli({"--lpt", path, "send", "-"}, "PRINT 1\r\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Port Open Error\nThe port name does not name a device.\n");
  std::ifstream in(path);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep");
}

}  // namespace
}  // namespace varnalux
