// The four complete Asian character sets as the printer's font files hold
// them: first the half-width single-byte glyphs, then every second byte of
// every first byte in increasing order.
//
//   set                  half-width           first bytes          second bytes         glyphs
//   Traditional Chinese  0x20-0x7F            0xA1-0xFE            0x40-0x7E, 0xA1-0xFE 14,854
//   Simplified Chinese   0x20-0x7F            0x81-0xFE            0x40-0xFE            24,162
//   Korean               0x20-0x7F            0xA1-0xFE            0xA0-0xFE             9,026
//   Japanese             0x20-0x7F, 0xA0-0xDF 0x81-0x9F, 0xE0-0xFC 0x40-0xFC            11,500
#pragma once

#include <cstdint>

namespace varnalux {

// Header letter of a set ('T', 'G', 'K', 'J'); 0 for any other value.
uint8_t AsianEncodingLetter(int asianEncoding);
// Windows code page of a set (950, 936, 949, 932); 0 for any other value.
int AsianCodePage(int asianEncoding);
// Glyphs of a complete set, and how many of them are half-width; 0 for any
// other value.
int AsianGlyphCount(int asianEncoding);
int AsianHalfWidthCount(int asianEncoding);

struct AsianCode {
  uint8_t bytes[2] = {0, 0};
  int length = 0;          // 1 half-width, 2 full-width
  bool endOfFirstByte = false;  // last full-width code of its first byte
  int progress = 0;        // percent to show after it when endOfFirstByte
};

// Walks a set in file order without keeping anything per glyph.
class AsianCodeCursor {
 public:
  explicit AsianCodeCursor(int asianEncoding);
  // The next code; false after the last one (at once for an unknown set).
  bool Next(AsianCode& code);

 private:
  int set_;
  int stage_ = 0;  // 0 half-width, 1 full-width, 2 done
  int first_ = 0;
  int second_ = 0;
};

}  // namespace varnalux
