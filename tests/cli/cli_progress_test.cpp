// The command-line tool's progress on a terminal: the bar of a long send
// and, below it, what a long close waits for.
#include "app/cli/cli_progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/link_settings.h"
#include "pty_runner.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

// What the bar drew on a stream in memory, for the calls run inside.
template <typename Calls>
std::string Drawn(uint64_t total, Calls calls) {
  char* text = nullptr;
  size_t length = 0;
  FILE* stream = open_memstream(&text, &length);
  {
    TerminalTransferProgress bar(total, stream, /*force=*/true);
    calls();
  }
  fclose(stream);
  std::string drawn(text, length);
  free(text);
  UnbindLinkSettings();
  return drawn;
}

TEST(CliProgress, TheCloseSaysWhatItWaitsForOnALineBelowTheBar) {
  LinkProgress& link = ProgressObserver();
  const std::string drawn = Drawn(2048, [&] {
    ShowProgress(ProgressPercentMode, 3, 3);
    link.Tick(1, 100);
    link.WaitingForPrinter(5000);
    link.WaitingForPrinter(3000);
    link.WaitingForPrinter(0);
    HideProgress(true);
  });
  const std::string bar = "100% 2.0 KB / 2.0 KB";
  const size_t at = drawn.find(bar);
  ASSERT_NE(at, std::string::npos) << drawn;
  // The bar's line ends, the note is redrawn in place, and once the wait is
  // over its line is emptied and left for what follows.
  const size_t end = drawn.find('\n', at);
  ASSERT_NE(end, std::string::npos) << drawn;
  EXPECT_EQ(drawn.substr(end),
            "\n\rWaiting for the printer to take the last 5 KiB\x1b[K"
            "\rWaiting for the printer to take the last 3 KiB\x1b[K\r\x1b[K");

  // A bar whose close did not wait ends its line as before.
  const std::string quick = Drawn(2048, [&] {
    ShowProgress(ProgressPercentMode, 3, 3);
    link.Tick(1, 100);
    HideProgress(true);
  });
  EXPECT_EQ(quick.find("Waiting"), std::string::npos);
  ASSERT_FALSE(quick.empty());
  EXPECT_EQ(quick.back(), '\n');
}

TEST(CliProgress, ASendToASlowPrinterSaysWhatItWaitsFor) {
  // 1 KiB every 40 ms: the close of a 64 KiB send waits seconds.
  testing::LoopbackPeer peer;
  testing::LoopbackPeer::Script script;
  script.readChunk = 1024;
  script.readPause = std::chrono::milliseconds(40);
  script.receiveBuffer = 4096;
  peer.SetScripts({script});
  testing::TempFolder folder;
  const std::string job(64 * 1024, 'j');
  const std::string path = folder.Write("job.prn", job);
  auto r = testing::RunCliOnTerminal(
      {"--tcp", "127.0.0.1:" + std::to_string(peer.Port()), "send", path});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("100%"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Waiting for the printer to take the last "), std::string::npos)
      << r.output;
  EXPECT_EQ(peer.WaitReceived(job.size(), 5000), job.size());
}

}  // namespace
}  // namespace varnalux
