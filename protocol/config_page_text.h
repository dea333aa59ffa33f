// The configuration page's controls as plain texts and list indexes, and the
// two conversions between them and a PrinterConfig. The page widgets mirror
// this state; the command-line tool uses it to send a file's configuration
// exactly as the page would after loading it.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/printer_config.h"

namespace varnalux {

// Item counts of the page's lists, the empty first item included.
inline constexpr int DensityItems = 17;  // '' '0'..'15'
inline constexpr int MediaSensorItems = 4;
inline constexpr int PrintOutItems = 5;
inline constexpr int OnOffItems = 3;  // '' 'OFF' 'ON', also direction and mirror '' '0' '1'
inline constexpr int CodePageItems = 37;
inline constexpr int CountryItems = 23;
inline constexpr int BaudRateItems = 9;
inline constexpr int DataBitItems = 3;
inline constexpr int ParityItems = 4;
inline constexpr int StopBitItems = 3;

// Selected indexes of the media sensor and post-print lists.
inline constexpr int SensorItemGap = 1;
inline constexpr int SensorItemBline = 2;
inline constexpr int SensorItemContinuous = 3;
inline constexpr int PrintOutItemCutter = 4;

inline constexpr int NoSelection = -1;

// Unit of the four length edits: 0 inch, 1 mm, anything else none.
inline constexpr int PageUnitInch = 0;
inline constexpr int PageUnitMm = 1;

struct ConfigPageText {
  std::string version, milage, checksum;
  std::string speed;
  int density = 0;
  bool densityBaseShown = false;
  std::string densityBase;
  std::string width, height;
  int mediaSensor = 0;
  std::string gapSize, gapOffset;
  int printOut = 0;
  std::string cutterPiece;
  std::string referenceX, referenceY;
  int direction = 0, mirror = 0;
  std::string offset;
  bool offsetBaseShown = false;
  std::string offsetBase;
  std::string shiftY;
  bool shiftYBaseShown = false;
  std::string shiftYBase;
  std::string shiftX;
  bool shiftXBaseShown = false;
  std::string shiftXBase;
  int ribbon = 0, codePage = 0, country = 0, head = 0;
  int reprint = NoSelection;  // the one list that starts without a selection
  std::string gapInten, blineInten, conInten;
  int baudRate = 0, dataBits = 0, parity = 0, stopBits = 0;
};

// Fills the page state from the displayed record in the given unit. With a
// unit other than inch or mm, valid lengths leave their texts unchanged.
void ShowConfigText(const PrinterConfig& config, int unit, ConfigPageText& page);

enum class CollectError { None, BadFloat, BadInteger };

struct CollectResult {
  CollectError error = CollectError::None;
  std::string text;  // the text that could not be converted

  bool ok() const { return error == CollectError::None; }
  // "'%s' is not a valid floating point value" or "... integer value".
  std::string Message() const;
};

// Builds the write record from the page state: a setting is marked when its
// control holds a value. Only the flags and values the writer reads are
// touched. Stops at the first text that does not convert.
CollectResult CollectConfigText(const ConfigPageText& page, int unit, PrinterConfig& out);

// What the page sends with "Set" right after showing config in unit: the
// record shown, then collected from the shown texts (lengths rounded to two
// decimals in that unit, the cut piece only with CUTTER, the intensity of
// the selected sensor only, out-of-list values dropped). out is reset first.
CollectResult CollectFromRecord(const PrinterConfig& config, int unit, PrinterConfig& out);

}  // namespace varnalux
