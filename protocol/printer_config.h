// The printer's configuration as one plain record: three texts, the
// resolution and about thirty settings, each setting a (valid flag, value)
// pair. In a read record the flag says the printer answered; in a write
// record, that the setting is to be sent.
#pragma once

#include <cstdint>

namespace varnalux {

struct PrinterConfig {
  char version[256];
  char milage[16];
  char checksum[16];
  uint8_t dpiValid;
  float dpi;
  float dotsPerMm;
  uint8_t speedValid;
  float speed;
  uint8_t densityValid;
  int32_t density;
  uint8_t densityBaseValid;
  int32_t densityBase;
  uint8_t paperWidthValid;
  float paperWidth;  // mm
  uint8_t paperHeightValid;
  float paperHeight;  // mm
  uint8_t sensorModeValid;
  int32_t sensorMode;  // 0 gap, 1 black line, 2 continuous
  uint8_t gapSizeValid;
  float gapSize;  // mm
  uint8_t gapOffsetValid;
  float gapOffset;  // mm
  uint8_t printOutValid;
  int32_t printOut;  // 0 off, 1 tear, 2 peel, 3 cutter
  uint8_t cutterPieceValid;
  int32_t cutterPiece;
  uint8_t referenceXValid;
  int32_t referenceX;
  uint8_t referenceYValid;
  int32_t referenceY;
  uint8_t directionValid;
  int32_t direction;
  uint8_t mirrorValid;
  int32_t mirror;
  uint8_t offsetValid;
  int32_t offset;  // dots
  uint8_t offsetBaseValid;
  int32_t offsetBase;
  uint8_t shiftValid;
  int32_t shift;  // vertical ("Shift Y")
  uint8_t shiftBaseValid;
  int32_t shiftBase;
  uint8_t shiftXValid;
  int32_t shiftX;
  uint8_t shiftXBaseValid;
  int32_t shiftXBase;
  uint8_t ribbonValid;
  int32_t ribbon;
  uint8_t codePageValid;
  int32_t codePage;  // index into CodePageTable
  uint8_t countryValid;
  int32_t country;  // index into CountryTable
  uint8_t headValid;
  int32_t head;
  uint8_t reprintValid;
  int32_t reprint;
  uint8_t gapIntenValid;
  int32_t gapInten;
  uint8_t blineIntenValid;
  int32_t blineInten;
  uint8_t conIntenValid;
  int32_t conInten;
  uint8_t baudRateValid;
  int32_t baudRate;  // index into BaudRateTable
  uint8_t dataBitsValid;
  int32_t dataBits;  // index into DataBitTable
  uint8_t parityValid;
  int32_t parity;  // index into ParityTable
  uint8_t stopBitsValid;
  int32_t stopBits;  // index into StopBitTable
};

// Initial state: texts empty, flags 0, values 0, except dpi 200.0,
// dotsPerMm 11.8 and speed 3.0.
void ResetConfig(PrinterConfig& config);

struct LookupTable {
  const char* const* entries;
  int32_t size;
};

extern const LookupTable CodePageTable;  // 36 entries
extern const LookupTable CountryTable;   // 22
extern const LookupTable BaudRateTable;  // 9
extern const LookupTable BaudCodeTable;  // 9, same indexes as BaudRateTable
extern const LookupTable DataBitTable;   // 2
extern const LookupTable ParityTable;    // 3
extern const LookupTable StopBitTable;   // 2

// Index of the first entry equal to text byte for byte; table.size when none.
int32_t LookupIndex(const LookupTable& table, const char* text);
// The entry at index, or null outside the table.
const char* LookupEntry(const LookupTable& table, int32_t index);

}  // namespace varnalux
