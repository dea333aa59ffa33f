// Setting commands as the tool writes them, read back through the report
// answers; lengths in dots at the printer's own resolution.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

#include "sim/virtual_printer.h"

namespace varnalux::sim {
namespace {

std::string Value(const VirtualPrinter& p, const std::string& key) {
  bool found = false;
  std::string v = p.ReportValue(key, found);
  return found ? v : "(silent)";
}

// The print head's resolution and its whole number of dots per millimetre.
struct Resolution {
  int dpi;
  int dotsPerMm;
};
void PrintTo(const Resolution& r, std::ostream* os) { *os << r.dpi << " dpi"; }

// The host's own derivation of dots per millimetre from the DPI answer:
// tenths truncated, rounded to a whole number.
double HostDotsPerMm(int dpi) {
  int tenths = static_cast<int>(static_cast<float>(dpi) * 0.0393700793314f * 10.0f);
  return ((tenths + 5) / 10 * 10) * 0.1;
}

class AtResolution : public ::testing::TestWithParam<Resolution> {
 protected:
  AtResolution() : printer_(Options()) {}
  static PrinterOptions Options() {
    PrinterOptions o;
    o.dpi = GetParam().dpi;
    return o;
  }
  std::string Dots(double mm) const {
    return std::to_string(std::lround(mm * GetParam().dotsPerMm));
  }
  VirtualPrinter printer_;
};

TEST_P(AtResolution, LengthsComeBackInDots) {
  int dpi = GetParam().dpi;
  EXPECT_EQ(Value(printer_, "DPI"), std::to_string(dpi));
  // The default 4 x 2 inch label, in dots at the dpi.
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), std::to_string(4 * dpi));
  EXPECT_EQ(Value(printer_, "PAPERHEIGHT"), std::to_string(2 * dpi));
  printer_.Execute("SIZE 101.60 mm,50.80 mm");
  printer_.Execute("GAP 2.50 mm,1.25 mm");
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), Dots(101.6));
  EXPECT_EQ(Value(printer_, "PAPERHEIGHT"), Dots(50.8));
  EXPECT_EQ(Value(printer_, "GAPSIZE"), Dots(2.5));
  EXPECT_EQ(Value(printer_, "GAPOFFSET"), Dots(1.25));
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "0");
  // Inches without a unit, at the dpi, and dots.
  printer_.Execute("SIZE 2,1.5");
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), std::to_string(2 * dpi));
  EXPECT_EQ(Value(printer_, "PAPERHEIGHT"), std::to_string(std::lround(1.5 * dpi)));
  printer_.Execute("SIZE 640 dot,320 dot");
  EXPECT_EQ(Value(printer_, "PAPERWIDTH"), "640");
  EXPECT_EQ(Value(printer_, "PAPERHEIGHT"), "320");
  // OFFSET arrives in dots and is answered in dots.
  printer_.Execute("OFFSET -12 dot");
  EXPECT_EQ(Value(printer_, "OFFSET"), "-12");
  printer_.Execute("OFFSET 1 mm");
  EXPECT_EQ(Value(printer_, "OFFSET"), Dots(1));
}

// A length written in mm as the host formats it ("%.2f mm"), read back as
// dots and divided by the host's dots per mm, is off by at most half a
// dot; written again as shown, it gives the same dots.
TEST_P(AtResolution, MillimetresSurviveTheRoundTripThroughTheHost) {
  double perMm = HostDotsPerMm(GetParam().dpi);
  ASSERT_EQ(perMm, GetParam().dotsPerMm);
  for (double mm : {101.6, 50.8, 3.0, 0.5, 1.25, 12.34, 63.5, 99.99, 203.2, 0.07}) {
    SCOPED_TRACE(mm);
    char line[64];
    snprintf(line, sizeof line, "GAP %.2f mm,%.2f mm", mm, mm / 2);
    printer_.Execute(line);
    long dots = std::stol(Value(printer_, "GAPSIZE"));
    double shown = dots / perMm;
    EXPECT_LE(std::fabs(shown - mm), 0.5 / perMm + 1e-9);
    EXPECT_LE(std::fabs(std::stol(Value(printer_, "GAPOFFSET")) / perMm - mm / 2),
              0.5 / perMm + 0.005 + 1e-9);  // mm / 2 was sent with two decimals
    snprintf(line, sizeof line, "SIZE %.2f mm,%.2f mm", shown, shown);
    printer_.Execute(line);
    EXPECT_EQ(std::stol(Value(printer_, "PAPERWIDTH")), dots);
  }
}

TEST_P(AtResolution, BlackLineAndContinuous) {
  printer_.Execute("BLINE 4.00 mm,0.50 mm");
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "1");
  EXPECT_EQ(Value(printer_, "GAPSIZE"), Dots(4));
  EXPECT_EQ(Value(printer_, "GAPOFFSET"), Dots(0.5));
  printer_.Execute("GAP 0,0");
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "2");
  EXPECT_EQ(Value(printer_, "GAPSIZE"), "0");
  // A gap shorter than half a dot is still a gap, not continuous media.
  printer_.Execute("GAP 0.01 mm,0 mm");
  EXPECT_EQ(Value(printer_, "SENSORMODE"), "0");
}

INSTANTIATE_TEST_SUITE_P(Dpi, AtResolution,
                         ::testing::Values(Resolution{203, 8}, Resolution{300, 12},
                                           Resolution{600, 24}));

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
