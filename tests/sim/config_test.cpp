// Setting commands as the tool writes them, read back through the report
// answers; lengths in dots at the printer's own resolution.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sim/virtual_printer.h"

namespace varnalux::sim {
namespace {

std::string Value(const VirtualPrinter& p, const std::string& key) {
  bool found = false;
  std::string v = p.ReportValue(key, found);
  return found ? v : "(silent)";
}

std::string Dots(double mm, int dpi) { return std::to_string(std::lround(mm * dpi / 25.4)); }

class AtResolution : public ::testing::TestWithParam<int> {
 protected:
  AtResolution() : printer_(Options()) {}
  static PrinterOptions Options() {
    PrinterOptions o;
    o.dpi = GetParam();
    return o;
  }
  VirtualPrinter printer_;
};

TEST_P(AtResolution, LengthsComeBackInDots) {
  int dpi = GetParam();
  EXPECT_EQ(Value(printer_, "DPI"), std::to_string(dpi));
  printer_.Execute("SIZE 101.50 mm,50.80 mm");
  printer_.Execute("GAP 2.50 mm,1.25 mm");
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), Dots(101.5, dpi));
  EXPECT_EQ(Value(printer_, "PAPERHEIGHT"), Dots(50.8, dpi));
  EXPECT_EQ(Value(printer_, "GAPSIZE"), Dots(2.5, dpi));
  EXPECT_EQ(Value(printer_, "GAPOFFSET"), Dots(1.25, dpi));
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "0");
  // Inches without a unit, and dots.
  printer_.Execute("SIZE 2,1");
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), std::to_string(2 * dpi));
  printer_.Execute("SIZE 640 dot,320 dot");
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), "640");
  EXPECT_EQ(Value(printer_, "PAPERHEIGHT"), "320");
  // OFFSET arrives in dots and is answered in dots.
  printer_.Execute("OFFSET -12 dot");
  EXPECT_EQ(Value(printer_, "OFFSET"), "-12");
  printer_.Execute("OFFSET 1 mm");
  EXPECT_EQ(Value(printer_, "OFFSET"), Dots(1, dpi));
}

TEST_P(AtResolution, BlackLineAndContinuous) {
  int dpi = GetParam();
  printer_.Execute("BLINE 4.00 mm,0.50 mm");
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "1");
  EXPECT_EQ(Value(printer_, "GAPSIZE"), Dots(4, dpi));
  EXPECT_EQ(Value(printer_, "GAPOFFSET"), Dots(0.5, dpi));
  printer_.Execute("GAP 0,0");
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "2");
  EXPECT_EQ(Value(printer_, "GAPSIZE"), "0");
}

INSTANTIATE_TEST_SUITE_P(Dpi, AtResolution, ::testing::Values(203, 300, 600));

TEST(Settings, WriterSequencesRoundTrip) {
  VirtualPrinter p;
  p.Execute("SPEED 2.5");
  p.Execute("DENSITY 12");
  EXPECT_EQ(Value(p, "SPEED"), "2.5");
  EXPECT_EQ(Value(p, "DENSITY"), "12");

  struct {
    const char* lines[3];
    const char* printOut;
    const char* pieces;
  } postPrint[] = {
      {{"SET TEAR ON", "SET PEEL OFF", "SET CUTTER OFF"}, "1", "1"},
      {{"SET TEAR OFF", "SET PEEL ON", "SET CUTTER OFF"}, "2", "1"},
      {{"SET TEAR OFF", "SET PEEL OFF", "SET CUTTER 7"}, "3", "7"},
      {{"SET TEAR OFF", "SET PEEL OFF", "SET CUTTER OFF"}, "0", "7"},
  };
  for (const auto& row : postPrint) {
    for (const char* line : row.lines) p.Execute(line);
    EXPECT_EQ(Value(p, "PRINTOUT"), row.printOut) << row.lines[0] << " " << row.lines[1];
    EXPECT_EQ(Value(p, "CUTTERPIECE"), row.pieces);
  }

  p.Execute("REFERENCE 10,20");
  p.Execute("DIRECTION 1,1");
  EXPECT_EQ(Value(p, "REFERENCEX"), "10");
  EXPECT_EQ(Value(p, "REFERENCEY"), "20");
  EXPECT_EQ(Value(p, "DIRCTION"), "1");
  EXPECT_EQ(Value(p, "MIRROR"), "1");
  p.Execute("DIRECTION 0");  // the mirror stays
  EXPECT_EQ(Value(p, "DIRCTION"), "0");
  EXPECT_EQ(Value(p, "MIRROR"), "1");

  // Two numbers: horizontal first, then vertical.
  p.Execute("SHIFT 3,-5");
  EXPECT_EQ(Value(p, "SHIFTX"), "3");
  EXPECT_EQ(Value(p, "SHIFT"), "-5");
  p.Execute("SHIFT 8");
  EXPECT_EQ(Value(p, "SHIFTX"), "3");
  EXPECT_EQ(Value(p, "SHIFT"), "8");

  p.Execute("SET RIBBON OFF");
  p.Execute("SET HEAD OFF");
  p.Execute("SET REPRINT OFF");
  p.Execute("CODEPAGE 8859-15");
  p.Execute("COUNTRY 358");
  EXPECT_EQ(Value(p, "RIBBON"), "0");
  EXPECT_EQ(Value(p, "HEAD"), "0");
  EXPECT_EQ(Value(p, "REPRINT"), "0");
  EXPECT_EQ(Value(p, "CODEPAGE"), "8859-15");
  EXPECT_EQ(Value(p, "COUNTRY"), "358");

  p.Execute("SET COM1 115,O,7,2");
  EXPECT_EQ(Value(p, "BAUDRATE"), "115200");
  EXPECT_EQ(Value(p, "PARITY"), "Odd");
  EXPECT_EQ(Value(p, "DATABIT"), "7");
  EXPECT_EQ(Value(p, "STOPBIT"), "2");
  p.Execute("SET COM1 0,N,8,1");
  EXPECT_EQ(Value(p, "BAUDRATE"), "0");
  EXPECT_EQ(Value(p, "PARITY"), "None");
}

TEST(Settings, SetGapGoesToTheIntensityOfTheSelectedSensor) {
  VirtualPrinter p;
  std::string gap = Value(p, "GAPINTEN"), bline = Value(p, "BLINEINTEN");
  p.Execute("GAP 0,0");
  p.Execute("SET GAP 6");
  EXPECT_EQ(Value(p, "CONINTEN"), "6");
  p.Execute("BLINE 3.00 mm,0.00 mm");
  p.Execute("SET GAP 2");
  EXPECT_EQ(Value(p, "BLINEINTEN"), "2");
  EXPECT_EQ(Value(p, "GAPINTEN"), gap);
  p.Execute("GAP 3.00 mm,0.00 mm");
  p.Execute("SET GAP 1");
  EXPECT_EQ(Value(p, "GAPINTEN"), "1");
  EXPECT_EQ(Value(p, "BLINEINTEN"), "2");
  EXPECT_NE(bline, "2");
}

TEST(Settings, CalibrationsSetTheSensorMode) {
  VirtualPrinter p;
  p.Execute("GAP 0,0");  // plain continuous media: no calibration
  EXPECT_EQ(p.Calibrations(), 0);
  p.Execute("BLINEDETECT");
  EXPECT_EQ(Value(p, "SENSORMODE"), "1");
  p.Execute("GAPDETECT");
  EXPECT_EQ(Value(p, "SENSORMODE"), "0");
  p.Execute("GAP 0.12,0");
  p.Execute("GAP 0,0");
  EXPECT_EQ(Value(p, "SENSORMODE"), "2");
  EXPECT_EQ(p.Calibrations(), 3);
}

TEST(Settings, BadArgumentsChangeNothing) {
  VirtualPrinter p;
  const char* keys[] = {"PAPERWIDTH", "PAPERHEIGHT", "SPEED",  "DENSITY", "CODEPAGE",
                        "COUNTRY",    "BAUDRATE",    "PARITY", "SHIFT",   "PRINTOUT"};
  std::string before;
  for (const char* k : keys) before += Value(p, k) + ";";
  for (const char* line :
       {"SIZE", "SIZE -4 mm,2 mm", "SIZE 4 furlong,2 mm", "SIZE 1e999,1", "SPEED fast", "SPEED 0",
        "DENSITY 99", "CODEPAGE 999", "COUNTRY 1", "SET COM1 97,N,8,1", "SET COM1 96,X,8,1",
        "SET COM1 96,N,9,1", "SET COM1 96,N,8", "SHIFT 1,2,3", "SHIFT 99999", "SET CUTTER -1",
        "SET TEAR MAYBE", "GAP 1 mm"})
    p.Execute(line);
  std::string after;
  for (const char* k : keys) after += Value(p, k) + ";";
  EXPECT_EQ(after, before);
  EXPECT_EQ(p.IgnoredLines().size(), 18u);
}

TEST(Settings, FactoryDefaultRestoresTheDefaults) {
  VirtualPrinter p;
  std::string defaults = Value(p, "PAPERWIDTH") + Value(p, "SPEED") + Value(p, "CODEPAGE");
  p.Execute("SIZE 30 mm,20 mm");
  p.Execute("SPEED 2");
  p.Execute("CODEPAGE 437");
  p.Execute("INITIALPRINTER");
  EXPECT_EQ(Value(p, "PAPERWIDTH") + Value(p, "SPEED") + Value(p, "CODEPAGE"), defaults);
  EXPECT_EQ(Value(p, "PAPERWIDTH"), "812");  // a 4 inch label at 203 dpi
}

TEST(Reports, UnknownForgottenAndOlderModelKeysAreSilent) {
  PrinterOptions old;
  old.knowsReprint = false;
  old.knowsShiftX = false;
  VirtualPrinter p(old);
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT NOSUCHKEY"), "");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT REPRINT"), "");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT SHIFTX"), "");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT SHIFTXBASE"), "");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT STOPBIT"), "{1|1}");
  // The older model does not know SHIFT x,y either.
  p.Execute("SHIFT 4,9");
  EXPECT_EQ(Value(p, "SHIFT"), "0");

  VirtualPrinter q;
  q.ForgetReport("DENSITY");
  EXPECT_EQ(q.Execute("DIAGNOSTIC REPORT DENSITY"), "");
  q.OverrideReport("DENSITY", "abc");
  EXPECT_EQ(q.Execute("DIAGNOSTIC REPORT DENSITY"), "{3|abc}");
  q.OverrideReport("CODEPAGE", "866");
  EXPECT_EQ(q.Execute("DIAGNOSTIC REPORT CODEPAGE"), "{3|866}");
}

TEST(Reports, AllConfigurationKeysAnswer) {
  VirtualPrinter p;
  const char* keys[] = {
      "DPI",         "VERSION",     "MILAGE",      "CHECKSUM",   "SPEED",    "DENSITY",
      "DENSITYBASE", "PAPERWIDTH",  "PAPERHEIGHT", "SENSORMODE", "GAPSIZE",  "GAPOFFSET",
      "PRINTOUT",    "CUTTERPIECE", "REFERENCEX",  "REFERENCEY", "DIRCTION", "MIRROR",
      "OFFSET",      "OFFSETBASE",  "SHIFT",       "SHIFTBASE",  "SHIFTX",   "SHIFTXBASE",
      "RIBBON",      "CODEPAGE",    "COUNTRY",     "HEAD",       "REPRINT",  "GAPINTEN",
      "BLINEINTEN",  "CONINTEN",    "BAUDRATE",    "DATABIT",    "PARITY",   "STOPBIT"};
  for (const char* key : keys) {
    std::string answer = p.Execute(std::string("DIAGNOSTIC REPORT ") + key);
    bool found = false;
    std::string payload = p.ReportValue(key, found);
    ASSERT_TRUE(found) << key;
    EXPECT_EQ(answer, "{" + std::to_string(payload.size()) + "|" + payload + "}") << key;
    EXPECT_FALSE(payload.empty()) << key;
  }
  // The key is spelled the printer's way; the other spelling is unknown.
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT DIRECTION"), "");
}

TEST(Reports, NetworkSettingsFollowTheNetCommands) {
  VirtualPrinter p;
  EXPECT_EQ(Value(p, "CONFIGIP"), "0.0.0.0");  // DHCP
  p.Execute("NET IP \"10.1.2.3\",\"255.255.0.0\",\"10.1.0.1\"");
  EXPECT_EQ(Value(p, "CONFIGIP"), "10.1.2.3");
  EXPECT_EQ(Value(p, "IPMASK"), "255.255.0.0");
  EXPECT_EQ(Value(p, "GATEWAY"), "10.1.0.1");
  p.Execute("NET NAME \"LABELS-2\"");
  EXPECT_EQ(Value(p, "NETNAME"), "LABELS-2");
  p.Execute("NET DHCP");
  EXPECT_EQ(Value(p, "CONFIGIP"), "0.0.0.0");
  EXPECT_FALSE(Value(p, "MACADDR").empty());
}

TEST(Reports, FileListsAndSpaces) {
  PrinterOptions noCard;
  noCard.hasCard = false;
  VirtualPrinter p(noCard);
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT DFILELIST"), "{0|}");
  p.PutFileOn(MemoryDram, "A.BAS", std::string(1500, 'x'));
  p.PutFileOn(MemoryDram, "B.PCX", "y");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT DFILELIST"), "{5|A.BAS}{5|B.PCX}{0|}");
  int physical = std::stoi(Value(p, "DPHYSPACE"));
  EXPECT_EQ(std::stoi(Value(p, "DFREESPACE")), physical - 3);  // 2 KB + 1 KB
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT CPHYSPACE"), "");     // no card
  p.Execute("KILL \"A.BAS\"");
  EXPECT_EQ(p.Execute("DIAGNOSTIC REPORT DFILELIST"), "{5|B.PCX}{0|}");
  p.PutFile("F.TTF", "z");
  p.Execute("KILL F,\"*.*\"");
  EXPECT_TRUE(p.FileNames(MemoryFlash).empty());
  EXPECT_EQ(p.FileNames(MemoryDram).size(), 1u);
}

}  // namespace
}  // namespace varnalux::sim
