// The command-line tool's progress on a terminal: the bar of a long send
// and, below it, what a long close waits for.
#include "app/cli/cli_progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "link/link_settings.h"
#include "operations/dispatcher.h"
#include "pty_runner.h"
#include "running_cli.h"
#include "tests/core/loopback_peer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

// What the bar drew on a stream in memory, for the calls run inside.
template <typename Calls>
std::string Drawn(uint64_t total, Calls calls,
                  ProgressClock clock = std::chrono::steady_clock::now) {
  char* text = nullptr;
  size_t length = 0;
  FILE* stream = open_memstream(&text, &length);
  {
    TerminalTransferProgress bar(total, stream, /*force=*/true, std::move(clock));
    calls();
  }
  fclose(stream);
  std::string drawn(text, length);
  free(text);
  UnbindLinkSettings();
  return drawn;
}

// "12.5 KB" -> 12800 bytes.
double Bytes(const std::string& number, const std::string& unit) {
  double value = std::strtod(number.c_str(), nullptr);
  for (const char* u : {"KB", "MB", "GB"}) {
    value *= 1024.0;
    if (unit == u) return value;
  }
  return std::strtod(number.c_str(), nullptr);
}

// The figures of every bar line drawn: share, bytes taken and rate.
struct BarLine {
  int percent;
  double taken;
  double rate;
};
std::vector<BarLine> BarLines(const std::string& drawn) {
  static const std::regex line(
      R"((\d+)% ([\d.]+) (B|KB|MB|GB) / [\d.]+ (?:B|KB|MB|GB) ([\d.]+) (B|KB|MB|GB)/s)");
  std::vector<BarLine> lines;
  for (auto it = std::sregex_iterator(drawn.begin(), drawn.end(), line);
       it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    lines.push_back({std::atoi(m[1].str().c_str()), Bytes(m[2], m[3]), Bytes(m[4], m[5])});
  }
  return lines;
}

// The bytes figures of every line of a send of unknown size ("12.5 KB sent").
std::vector<double> SentFigures(const std::string& drawn) {
  static const std::regex line(R"(([\d.]+) (B|KB|MB|GB) sent)");
  std::vector<double> figures;
  for (auto it = std::sregex_iterator(drawn.begin(), drawn.end(), line);
       it != std::sregex_iterator(); ++it)
    figures.push_back(Bytes((*it)[1], (*it)[2]));
  return figures;
}

// What a printer's system may acknowledge beyond what the printer read, with
// a receive buffer of the given size (the system doubles it), and the
// rounding of a figure to a tenth of a KB.
double Holds(int receiveBuffer) { return 2.0 * receiveBuffer + 103; }

TEST(CliProgress, AFailedSendEndsWithWhatWasTakenAndTheRateOverTheWholeSend) {
  // The printer takes 1000 bytes of 10000 in the first 150 ms and then
  // nothing until the send fails at 2 s: the last line keeps the bar where
  // it stopped and gives the rate over the 2 s, not the early 6.5 KB/s.
  LinkProgress& link = ProgressObserver();
  const auto start = std::chrono::steady_clock::now();
  auto now = start;
  const ProgressClock clock = [&now] { return now; };
  const std::string drawn = Drawn(
      10000,
      [&] {
        ShowProgress(ProgressPercentMode, 3, 3);
        now = start + std::chrono::milliseconds(150);
        link.Taken(1000);
        link.Tick(1, 10);
        now = start + std::chrono::milliseconds(2000);
        HideProgress(false);
      },
      clock);
  EXPECT_NE(drawn.find("6.5 KB/s"), std::string::npos) << drawn;  // drawn on the way
  const std::string last = "  10% 1000 B / 9.8 KB 500 B/s\x1b[K\n";
  ASSERT_GE(drawn.size(), last.size()) << drawn;
  EXPECT_EQ(drawn.substr(drawn.size() - last.size()), last) << drawn;
  EXPECT_EQ(drawn.find("100%"), std::string::npos) << drawn;

  // The same for a send of unknown size: its figure and rate at the end.
  now = start;
  const std::string piped = Drawn(
      UnknownTotal,
      [&] {
        ShowProgress(ProgressStepMode, 3, 3);
        now = start + std::chrono::milliseconds(150);
        link.Taken(900);
        now = start + std::chrono::milliseconds(3000);
        HideProgress(false);
      },
      clock);
  const std::string end = "\r900 B sent 300 B/s\x1b[K\n";
  ASSERT_GE(piped.size(), end.size()) << piped;
  EXPECT_EQ(piped.substr(piped.size() - end.size()), end) << piped;
}

TEST(CliProgress, TheBarShowsWhatThePrinterTookAndTheRateItTookItAt) {
  // The printer reads 20000 bytes of 150000 and then nothing; the send
  // fails once it took nothing for the no-progress bound (3 x 200 ms).
  testing::LoopbackPeer peer;
  testing::LoopbackPeer::Script script;
  script.stopReadingAfter = 20000;
  script.receiveBuffer = 4096;
  peer.SetScripts({script});
  testing::BoundLink link;
  link.Timeouts().tcp.write = std::chrono::milliseconds(200);
  const double bound = 0.6;
  peer.Target(link.tcp);
  const std::string job(150000, 'r');
  ResultCode code = ResultOk;
  char* text = nullptr;
  size_t length = 0;
  FILE* stream = open_memstream(&text, &length);
  {
    TerminalTransferProgress bar(job.size(), stream, /*force=*/true);
    code = RunOperation(OpSendRaw, KindEthernet, const_cast<char*>(job.data()),
                        static_cast<int32_t>(job.size()));
  }
  fclose(stream);
  const std::string drawn(text, length);
  free(text);
  EXPECT_EQ(code, ResultTransmitError);
  EXPECT_EQ(peer.WaitReceived(20000, 2000), 20000u);

  const std::vector<BarLine> lines = BarLines(drawn);
  ASSERT_GE(lines.size(), 2u) << drawn;
  // Never more than the printer had read and its system held, never full.
  for (const BarLine& l : lines) {
    EXPECT_LE(l.taken, 20000 + Holds(script.receiveBuffer)) << drawn;
    EXPECT_LT(l.percent, 100) << drawn;
  }
  EXPECT_EQ(drawn.find("100%"), std::string::npos) << drawn;
  // The bar ends where the printer stopped.
  EXPECT_GE(lines.back().taken, 20000 - 103) << drawn;
  // The last line gives the rate over the whole send, which lasted at least
  // the bound, not that of the bytes handed to the socket in the first
  // milliseconds.
  EXPECT_LE(lines.back().rate, lines.back().taken / bound + 103) << drawn;
}

TEST(CliProgress, AFailedSendNeverEndsAtAFullBar) {
  // The printer reads 1 KiB every 10 ms and resets the connection once it
  // read 20000 bytes, long after the socket took the whole job: the tool
  // exits 2, and its bar and its bytes figure stop at what the printer took.
  testing::LoopbackPeer peer;
  testing::LoopbackPeer::Script script;
  script.readChunk = 1024;
  script.readPause = std::chrono::milliseconds(10);
  script.resetAfter = 20000;
  script.receiveBuffer = 4096;
  peer.SetScripts({script});
  testing::TempFolder folder;
  const std::string job(150000, 'e');
  const std::string target = "127.0.0.1:" + std::to_string(peer.Port());
  auto r = testing::RunCliOnTerminal({"--tcp", target, "send", folder.Write("job.prn", job)});
  EXPECT_EQ(r.exitCode, 2) << r.output;
  EXPECT_NE(r.output.find("Data Transmission Error"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("100%"), std::string::npos) << r.output;
  const std::vector<BarLine> lines = BarLines(r.output);
  ASSERT_FALSE(lines.empty()) << r.output;
  for (const BarLine& l : lines) EXPECT_LE(l.taken, 20000 + Holds(4096)) << r.output;

  // Standard input, whose size is not known: the bytes figure alone.
  testing::RunningCli cli({"--tcp", target, "send", "-"}, true);
  ASSERT_TRUE(cli.Started());
  cli.Write(job);  // fails once the tool has given up
  testing::CliResult piped = cli.Wait(30000);
  EXPECT_EQ(piped.exitCode, 2) << piped.err;
  const std::vector<double> sent = SentFigures(piped.err);
  ASSERT_FALSE(sent.empty()) << piped.err;
  for (double figure : sent) EXPECT_LE(figure, 20000 + Holds(4096)) << piped.err;
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
