// How the file lists are read over time: the window's messages during the
// pause before each answer, Cancel, the bounds that end a list that does not
// end, names that hold the bytes of the list's own form, and a printer that
// is gone by the time the close comes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "operations/dispatcher.h"
#include "operations/progress.h"
#include "protocol/file_manager.h"
#include "protocol/file_names.h"
#include "protocol/report_exchange.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"
#include "tests/core/printer_fixture.h"
#include "tests/support/recording_progress_view.h"

namespace varnalux {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

struct Lists {
  std::unique_ptr<DeviceFiles[]> files{new DeviceFiles[MemoryDeviceCount]()};
  DeviceFiles& operator[](int device) { return files[device]; }
  ResultCode Read() { return RunOperation(OpReadFileList, KindEthernet, files.get(), 0); }
};

using PacedView = testing::RecordingProgressView;

// A list of n framed answers "N000", "N001", ... and its end.
std::string Answers(int n, bool withEnd) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    char name[16];
    snprintf(name, sizeof name, "N%03d", i);
    out += std::string("{4|") + name + "}";
  }
  return withEnd ? out + "{0|}" : out;
}

struct ListPeer {
  testing::LoopbackPeer peer;
  testing::BoundLink link;
  ListPeer() {
    peer.AnswerReports();
    for (const char* key : {"DPHYSPACE", "DFREESPACE", "FPHYSPACE", "FFREESPACE", "CPHYSPACE"})
      peer.Answer(key, "100");
    for (const char* key : {"DFILELIST", "FFILELIST", "CFILELIST"}) peer.RawAnswer(key, "{0|}");
    peer.Target(link.tcp);
  }
  // The list of key never ends: its answers come again and again.
  void Endless(const char* key, const std::string& answers) {
    peer.RawAnswer(key, "");
    peer.EndlessAnswer(key, answers);
  }
};

TEST(FileListPace, ThePauseBeforeEachAnswerHandlesTheWindowsMessages) {
  ListPeer p;
  p.peer.RawAnswer("FFILELIST", Answers(20, true));
  p.link.Timeouts().list.offerCancel = milliseconds(500);
  PacedView view;
  Lists lists;
  ASSERT_EQ(lists.Read(), ResultOk);
  EXPECT_EQ(FileListItems(lists[DeviceFlash].listText).size(), 20u);
  // The printer's pace is kept: 23 list answers, 50 ms before each ...
  ASSERT_GE(view.pumps.size(), 2u);
  EXPECT_GE(view.pumps.back() - view.pumps.front(), milliseconds(23 * 50 - 20));
  // ... and the window is looked at several times within each pause, not
  // once an answer, and never left as long as a tenth of a second. Time the
  // system kept the thread from a processor is not the program's and is
  // taken off; a virtual machine whose host stops it now and then shows such
  // a moment uncounted, while a wait of the program's own would come back at
  // every answer, so two lone stretches up to 300 ms are let pass.
  EXPECT_GE(view.pumps.size(), 23u * 2);
  const std::vector<milliseconds> gaps = view.GapsLongestFirst();
  ASSERT_GE(gaps.size(), 3u);
  EXPECT_LT(gaps[2], milliseconds(100));
  EXPECT_LT(gaps[0], milliseconds(300));
  // Only the list that lasted past the offer's time offers Cancel, and
  // takes the offer back at its end.
  EXPECT_EQ(view.offers, (std::vector<bool>{true, false}));
}

TEST(FileListPace, CancelStopsTheReadKeepsWhatCameAndSaysWhy) {
  ListPeer p;
  p.peer.RawAnswer("FFILELIST", Answers(200, true));
  p.link.Timeouts().list.offerCancel = milliseconds(300);
  PacedView view;
  view.pressCancel = true;
  Lists lists;
  const auto start = Clock::now();
  EXPECT_EQ(lists.Read(), ResultReceiveError);
  EXPECT_LT(Clock::now() - start, milliseconds(3000));  // not 200 answers at 50 ms
  EXPECT_EQ(lists[DeviceDram].listCut, ListWhole);
  EXPECT_EQ(lists[DeviceFlash].listCut, ListCutCancelled);
  const std::vector<std::string> kept = FileListItems(lists[DeviceFlash].listText);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(kept.front(), "N000");
  EXPECT_LT(kept.size(), 200u);
  // The rest of the answers would be taken for the card's: nothing more asked.
  EXPECT_EQ(lists[DeviceCard].physicalValid, 0);
  EXPECT_EQ(p.peer.Received().find("CPHYSPACE"), std::string::npos);
  EXPECT_EQ(view.offers, (std::vector<bool>{true, false}));
}

TEST(FileListPace, AListThatNeverEndsStopsAtItsBound) {
  ListPeer p;
  p.Endless("DFILELIST", Answers(50, false));
  p.link.Timeouts().list.whole = milliseconds(600);
  Lists lists;
  const auto start = Clock::now();
  EXPECT_EQ(lists.Read(), ResultReceiveError);
  EXPECT_LT(Clock::now() - start, milliseconds(3000));
  EXPECT_EQ(lists[DeviceDram].listCut, ListCutUnended);
  const std::vector<std::string> kept = FileListItems(lists[DeviceDram].listText);
  ASSERT_GE(kept.size(), 5u);  // about 12 answers at 50 ms
  EXPECT_EQ(kept[0], "N000");
  EXPECT_EQ(lists[DeviceFlash].physicalValid, 0);
  // The link was closed: the next operation opens again.
  EXPECT_EQ(RunOperation(OpTestConnection, KindEthernet, nullptr, 0), ResultOk);
}

TEST(FileListPace, AListCutAtItsFieldIsLeftSoonAfterWhenItsEndDoesNotCome) {
  ListPeer p;
  // Names of 1,000 bytes without end: the field is full after 65 of them.
  std::string answer = "{1000|" + std::string(1000, 'L') + "}";
  p.Endless("CFILELIST", answer);
  p.link.Timeouts().list.pause = milliseconds(2);
  p.link.Timeouts().list.afterCut = milliseconds(300);
  Lists lists;
  const auto start = Clock::now();
  EXPECT_EQ(lists.Read(), ResultReceiveError);
  EXPECT_LT(Clock::now() - start, milliseconds(4000));  // not the whole list's bound
  EXPECT_EQ(lists[DeviceCard].listCut, ListCutUnended);
  EXPECT_EQ(FileListItems(lists[DeviceCard].listText).size(), 65u);
  EXPECT_EQ(lists[DeviceFlash].listCut, ListWhole);
}

TEST(FileListPace, ANulInANameNeitherHidesTheNamesAfterItNorEndsTheList) {
  testing::PrinterOnTcp p;
  ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryFlash, "FIRST.BAS", "1"));
  ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryFlash, std::string("A\0B.BAS", 7), "2"));
  ASSERT_TRUE(p.printer.PutFileOn(sim::MemoryFlash, "LAST.BAS", "3"));
  Lists lists;
  ASSERT_EQ(lists.Read(), ResultOk);
  EXPECT_EQ(FileListItems(lists[DeviceFlash].listText),
            (std::vector<std::string>{"FIRST.BAS", "A\\x00B.BAS", "LAST.BAS"}));
  EXPECT_EQ(lists[DeviceFlash].listCut, ListWhole);
}

// A printer that gives up on a connection it thinks idle (the virtual
// printer does after a minute) is gone when a long list read closes: the
// close's end of stream is answered by a reset. Every answer arrived, so
// the read is whole.
TEST(FileListPace, APrinterGoneBeforeTheCloseLeavesAWholeReadWhole) {
  ListPeer p;
  p.peer.RawAnswer("CFILELIST", Answers(10, true));
  p.peer.ResetAfterAnswering(9);  // the announcement and eight queries
  Lists lists;
  EXPECT_EQ(lists.Read(), ResultOk);
  EXPECT_EQ(FileListItems(lists[DeviceCard].listText).size(), 10u);
  EXPECT_TRUE(p.peer.WaitReset(1000));
}

TEST(FileListPace, QueryReportListKeepsThePaceAndItsBound) {
  ListPeer p;
  p.Endless("FILES", Answers(10, false));
  p.link.Timeouts().list.whole = milliseconds(400);
  PacedView view;
  LinkSession session(KindEthernet);
  ASSERT_TRUE(session.IsOpen());
  char list[4096];
  uint32_t total = 0;
  const auto start = Clock::now();
  EXPECT_EQ(QueryReportList(session, "DIAGNOSTIC REPORT FILES\r\n", list, sizeof list, total),
            ResultReceiveError);
  EXPECT_LT(Clock::now() - start, milliseconds(2000));
  EXPECT_EQ(std::string(list, 10), "N000\r\nN001");
  EXPECT_GE(view.pumps.size(), 20u);
  session.Finish(ResultOk);
}

}  // namespace
}  // namespace varnalux
