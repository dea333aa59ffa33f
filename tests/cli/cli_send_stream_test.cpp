// varnalux-cli send of large files and of standard input, run as a program
// against a TCP peer on 127.0.0.1: the bytes go on as they are read, a file
// is not bound by a 32-bit count, and failures say how much went.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "cli_runner.h"
#include "running_cli.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

using testing::LoopbackPeer;
using testing::RunCli;
using testing::RunningCli;

class CliSendStream : public ::testing::Test {
 protected:
  std::string Target() const { return "127.0.0.1:" + std::to_string(peer.Port()); }
  // A file of size bytes that takes no room on the disk.
  std::string Sparse(const char* name, uint64_t size) {
    const std::string path = folder.Path(name);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    close(fd);
    return path;
  }
  LoopbackPeer peer;
  testing::TempFolder folder;
};

TEST_F(CliSendStream, StandardInputReachesThePrinterBeforeItEnds) {
  RunningCli cli({"--tcp", Target(), "send", "-"});
  ASSERT_TRUE(cli.Started());
  const std::string first = "SIZE 4,2\r\nCLS\r\n";
  ASSERT_TRUE(cli.Write(first));
  // Standard input is still open: the first line must go on by itself.
  EXPECT_EQ(peer.WaitReceived(first.size(), 10000), first.size());
  EXPECT_EQ(peer.Received(), first);
  // Then much more than one read brings, and the end.
  std::string rest;
  for (int i = 0; rest.size() < 3u * 1024 * 1024; ++i)
    rest += "TEXT 10,10,\"0\",0,1,1,\"" + std::to_string(i) + "\"\r\n";
  ASSERT_TRUE(cli.Write(rest));
  testing::CliResult r = cli.Wait(30000);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(peer.WaitReceived(first.size() + rest.size(), 10000), first.size() + rest.size());
  EXPECT_TRUE(peer.Received() == first + rest);
}

TEST_F(CliSendStream, AFileBeyondThirtyTwoBitsIsSentNotRefused) {
  // 3 GiB on paper; the peer drops the connection after its first read, so
  // the send ends early with the link's failure, not a refusal of the file.
  peer.SetScripts({LoopbackPeer::Script{"", false, true}});
  testing::CliResult r = RunCli({"--tcp", Target(), "send", Sparse("big.prn", 3ull << 30)});
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_EQ(r.err, "Data Transmission Error\n");
  EXPECT_GT(peer.WaitReceived(1, 10000), 0u);
}

TEST_F(CliSendStream, DownloadsOverTheAnnouncedSizeBoundAreRefusedFromTheSize) {
  // One byte over what the header's count can carry: refused at once,
  // nothing read and nothing sent.
  testing::CliResult r = RunCli({"--tcp", Target(), "download", Sparse("huge.dat", 0x7FFFFFFFull)});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("The file is too large to send"), std::string::npos) << r.err;
  r = RunCli(
      {"--tcp", Target(), "download", Sparse("fw.new", 0x7FFFFFFFull), "--type", "firmware"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(peer.Connections(), 0);
}

TEST_F(CliSendStream, InputThatCannotBeReadSaysNothingWasSent) {
  // A folder as standard input: the first read fails.
  testing::CliResult r =
      testing::RunProgram({"/bin/sh", "-c", "exec \"$0\" --tcp \"$1\" send - < \"$2\"",
                           VARNALUX_CLI_PATH, Target(), folder.Path()},
                          "", 30000);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err,
            "varnalux-cli: standard input could not be read; nothing was sent\nFile Open Error\n");
}

TEST_F(CliSendStream, OnATerminalStandardInputShowsBytesAndRateButNoShare) {
  RunningCli cli({"--tcp", Target(), "send", "-"}, true);
  ASSERT_TRUE(cli.Started());
  ASSERT_TRUE(cli.Write(std::string(300 * 1024, 'x')));
  testing::CliResult r = cli.Wait(30000);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("300.0 KB sent"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("/s"), std::string::npos) << r.err;
  // The size is not known: no bar and no percentage that would be made up.
  EXPECT_EQ(r.err.find('%'), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('#'), std::string::npos) << r.err;
}

}  // namespace
}  // namespace varnalux
