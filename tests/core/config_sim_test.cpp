// The configuration operations against the virtual printer, over TCP and
// over its pseudo-terminal.
#include <gtest/gtest.h>

#include <string>

#include "operations/dispatcher.h"
#include "protocol/config_page_text.h"
#include "protocol/config_reader.h"
#include "protocol/config_text.h"
#include "protocol/config_writer.h"
#include "sim/virtual_printer.h"
#include "tests/core/loopback_peer.h"
#include "tests/core/printer_fixture.h"

namespace varnalux {
namespace {

using testing::BoundLink;

std::string Report(const sim::VirtualPrinter& p, const char* key) {
  bool found = false;
  std::string v = p.ReportValue(key, found);
  EXPECT_TRUE(found) << key;
  return v;
}

// Settings unlike the virtual printer's defaults, lengths in whole dots at
// 8 dots/mm so they read back exactly.
PrinterConfig Changed() {
  PrinterConfig c;
  ResetConfig(c);
  c.speedValid = 1, c.speed = 6.0f;
  c.densityValid = 1, c.density = 12;
  c.paperWidthValid = c.paperHeightValid = 1;
  c.paperWidth = 50.0f,
  c.paperHeight = 25.5f;  // under 63.5 mm: the same dots at 8 and at 203/25.4 dots per mm
  c.sensorModeValid = 1, c.sensorMode = 1;
  c.gapSizeValid = c.gapOffsetValid = 1;
  c.gapSize = 2.5f, c.gapOffset = 1.0f;
  c.printOutValid = 1, c.printOut = 3;
  c.cutterPieceValid = 1, c.cutterPiece = 5;
  c.referenceXValid = c.referenceYValid = 1;
  c.referenceX = 16, c.referenceY = 24;
  c.directionValid = c.mirrorValid = 1;
  c.direction = 1, c.mirror = 1;
  c.offsetValid = 1, c.offset = -4;
  c.shiftValid = 1, c.shift = 7;
  c.shiftXValid = 1, c.shiftX = -3;
  c.ribbonValid = 1, c.ribbon = 0;
  c.codePageValid = 1, c.codePage = 25;  // 8859-1
  c.countryValid = 1, c.country = 17;    // 049
  c.headValid = 1, c.head = 0;
  c.reprintValid = 1, c.reprint = 0;
  c.blineIntenValid = 1, c.blineInten = 9;
  c.baudRateValid = c.dataBitsValid = c.parityValid = c.stopBitsValid = 1;
  c.baudRate = 7, c.dataBits = 0, c.parity = 1, c.stopBits = 1;
  return c;
}

class ConfigSim : public ::testing::Test {
 protected:
  void Start(const sim::PrinterOptions& options = {}) {
    printer = std::make_unique<sim::VirtualPrinter>(options);
    ASSERT_TRUE(printer->StartTcp("127.0.0.1", 0));
    testing::TargetPrinter(*printer, link.tcp);
  }
  ResultCode Read(PrinterConfig& c, InterfaceKind kind = KindEthernet) {
    ResetConfig(c);
    return RunOperation(OpReadConfig, kind, &c, 0);
  }

  BoundLink link;
  std::unique_ptr<sim::VirtualPrinter> printer;
};

TEST_F(ConfigSim, ReadsWhatThePrinterReports) {
  Start();
  PrinterConfig c;
  ASSERT_EQ(Read(c), ResultOk);
  EXPECT_EQ(c.dpi, 203.0f);
  EXPECT_EQ(c.dotsPerMm, 8.0f);
  EXPECT_EQ(std::string(c.version), Report(*printer, "VERSION"));
  EXPECT_EQ(c.paperWidth, std::stoi(Report(*printer, "PAPERWIDTH")) / 8.0f);
  EXPECT_EQ(c.codePage, LookupIndex(CodePageTable, Report(*printer, "CODEPAGE").c_str()));
  EXPECT_EQ(c.baudRate, LookupIndex(BaudRateTable, Report(*printer, "BAUDRATE").c_str()));
  EXPECT_EQ(c.reprintValid, 1);
  EXPECT_EQ(c.shiftXBaseValid, 1);
  EXPECT_NE(printer->ReceivedText().find("DIAGNOSTIC REPORT DIRCTION\r\n"), std::string::npos);
}

TEST_F(ConfigSim, WrittenSettingsReadBackTheSame) {
  Start();
  PrinterConfig written = Changed();
  ASSERT_EQ(RunOperation(OpWriteConfig, KindEthernet, &written, 0), ResultOk);
  PrinterConfig back;
  ASSERT_EQ(Read(back), ResultOk);
  int count = -1;
  std::string diff = DiffConfigs(written, back, count);
  // The write record marks only the black-line intensity; the read answers
  // all three, of which that one must match.
  EXPECT_EQ(diff, "gapInten: null -> " + std::to_string(back.gapInten) + "\nconInten: null -> " +
                      std::to_string(back.conInten) + "\n");
  EXPECT_EQ(back.blineInten, 9);

  // The page's own road: show the read record in mm, collect, send again:
  // nothing changes on the printer.
  PrinterConfig again;
  ASSERT_TRUE(CollectFromRecord(back, PageUnitMm, again).ok());
  ASSERT_EQ(RunOperation(OpWriteConfig, KindEthernet, &again, 0), ResultOk);
  PrinterConfig third;
  ASSERT_EQ(Read(third), ResultOk);
  EXPECT_EQ(DiffConfigs(back, third, count), "");
}

TEST_F(ConfigSim, OlderPrinterWithoutReprintIsNeverAskedForShiftX) {
  sim::PrinterOptions old;
  old.knowsReprint = false;
  old.dpi = 300;
  Start(old);
  PrinterConfig c;
  ASSERT_EQ(Read(c), ResultOk);
  EXPECT_EQ(c.dotsPerMm, 12.0f);
  EXPECT_EQ(c.reprintValid, 0);
  EXPECT_EQ(c.shiftXValid, 0);
  std::string sent = printer->ReceivedText();
  const std::string last = "DIAGNOSTIC REPORT REPRINT\r\n";
  ASSERT_GE(sent.size(), last.size());
  EXPECT_EQ(sent.substr(sent.size() - last.size()), last);
  EXPECT_EQ(sent.find("SHIFTX"), std::string::npos);
}

TEST_F(ConfigSim, PrinterWithoutShiftXIsNeverAskedForItsBase) {
  sim::PrinterOptions old;
  old.knowsShiftX = false;
  old.dpi = 600;
  Start(old);
  PrinterConfig c;
  ASSERT_EQ(Read(c), ResultOk);
  EXPECT_EQ(c.dotsPerMm, 24.0f);
  EXPECT_EQ(c.reprintValid, 1);
  EXPECT_EQ(c.shiftXValid, 0);
  EXPECT_EQ(printer->ReceivedText().find("SHIFTXBASE"), std::string::npos);
}

TEST_F(ConfigSim, ForgottenMandatoryKeyEndsTheRead) {
  Start();
  printer->ForgetReport("GAPSIZE");
  PrinterConfig c;
  EXPECT_EQ(Read(c), ResultReceiveError);
  std::string sent = printer->ReceivedText();
  const std::string last = "DIAGNOSTIC REPORT GAPSIZE\r\n";
  ASSERT_GE(sent.size(), last.size());
  EXPECT_EQ(sent.substr(sent.size() - last.size()), last);
}

TEST_F(ConfigSim, FaultsGiveTheirCodes) {
  Start();
  PrinterConfig c;
  printer->SetFault(sim::Fault::SplitAnswers);  // slow pieces still frame
  EXPECT_EQ(Read(c), ResultOk);
  printer->SetFault(sim::Fault::Malformed);
  EXPECT_EQ(Read(c), ResultReceiveError);

  // The printer drops the link when the first command arrives; the writer
  // is held after that command until the drop has happened.
  printer->SetFault(sim::Fault::DropOnReceive);
  printer->ClearReceived();
  testing::GateAfterFirstWrite gate([&] { printer->WaitForReceived(1, 3000); });
  PrinterConfig w = Changed();
  EXPECT_EQ(WriteConfig(KindEthernet, w), ResultTransmitError);
  EXPECT_EQ(printer->ReceivedText(), "SPEED 6.0\r\n");
}

TEST_F(ConfigSim, ReadAndWriteOverThePseudoTerminal) {
  Start();
  std::string slave = printer->StartPty();
  ASSERT_FALSE(slave.empty());
  CopyText(link.serial.portName, sizeof link.serial.portName, slave.c_str());
  PrinterConfig c;
  ASSERT_EQ(Read(c, KindCom), ResultOk);
  EXPECT_EQ(printer->ReceivedText().rfind("\r\nDIAGNOSTIC INTERFACE COM\r\n", 0), 0u);
  PrinterConfig w = Changed();
  ASSERT_EQ(RunOperation(OpWriteConfig, KindCom, &w, 0), ResultOk);
  // Checked over TCP: a serial read waits on every answer and takes seconds.
  ASSERT_EQ(Read(c, KindEthernet), ResultOk);
  EXPECT_EQ(c.speed, 6.0f);
  EXPECT_EQ(c.paperWidth, 50.0f);
  EXPECT_EQ(c.codePage, 25);
}

}  // namespace
}  // namespace varnalux
