// The printer's configuration as it keeps it: lengths in whole dots, as the
// print head works; names as the printer reports them. Millimetres become
// dots at a whole number of dots per millimetre (8 at 203 dpi, 12 at 300,
// 24 at 600: dpi / 25.4 rounded to the nearest whole number), inches at dpi.
// INITIALPRINTER puts the settings back to the defaults; the information
// texts (version, mileage, checksum) and the resolution stay.
#pragma once

#include <string>

namespace varnalux::sim {

struct PrinterSettings {
  double speed = 4.0;
  int density = 8;
  int densityBase = 8;
  // Lengths in dots; the defaults (a 4 x 2 inch label, a 3 mm gap) depend
  // on the resolution and are set by ConfigStore.
  int paperWidthDots = 0;
  int paperHeightDots = 0;
  int sensorMode = 0;  // 0 gap, 1 black line, 2 continuous
  int gapDots = 0;
  int gapOffsetDots = 0;
  int printOut = 0;  // 0 none, 1 tear, 2 peel, 3 cutter
  int cutterPiece = 1;
  int referenceX = 0;
  int referenceY = 0;
  int direction = 0;
  int mirror = 0;
  int offsetDots = 0;
  int offsetBase = 0;
  int shift = 0;
  int shiftBase = 0;
  int shiftX = 0;
  int shiftXBase = 0;
  int ribbon = 1;
  std::string codePage = "850";
  std::string country = "001";
  int head = 1;
  int reprint = 1;
  int gapInten = 4;
  int blineInten = 5;
  int conInten = 3;
  std::string baudRate = "9600";
  std::string dataBits = "8";
  std::string parity = "None";
  std::string stopBits = "1";
};

class ConfigStore {
 public:
  explicit ConfigStore(int dpi);

  int Dpi() const { return dpi_; }
  int DotsPerMm() const { return dotsPerMm_; }
  // Rounded to the nearest dot.
  int MmToDots(double mm) const;

  PrinterSettings& Settings() { return settings_; }
  const PrinterSettings& Settings() const { return settings_; }
  void ResetToDefaults();

  // The answer for a configuration or information key (DPI, VERSION, ...,
  // STOPBIT); false when key is not one of them.
  bool Report(const std::string& key, std::string& payload) const;

  std::string version = "VXP-4 V1.16";
  std::string milage = "12.4";
  std::string checksum = "7F3A21C4";

 private:
  int dpi_;
  int dotsPerMm_;
  PrinterSettings settings_;
};

}  // namespace varnalux::sim
