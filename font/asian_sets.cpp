#include "font/asian_sets.h"

namespace varnalux {

namespace {

struct ByteRange {
  int low;
  int high;
};

// One set: its half-width single bytes, first and second byte ranges (up to
// two each), and the progress start and divisor of the full-width pass.
struct AsianSet {
  uint8_t letter;
  int codePage;
  ByteRange half[2];
  ByteRange first[2];
  ByteRange second[2];
  int progressStart;
  int progressDivisor;
};

constexpr ByteRange None = {1, 0};

constexpr AsianSet Sets[] = {
    {'T', 950, {{0x20, 0x7F}, None}, {{0xA1, 0xFE}, None}, {{0x40, 0x7E}, {0xA1, 0xFE}}, 0xA1, 93},
    {'G', 936, {{0x20, 0x7F}, None}, {{0x81, 0xFE}, None}, {{0x40, 0xFE}, None}, 0x81, 125},
    {'K', 949, {{0x20, 0x7F}, None}, {{0xA1, 0xFE}, None}, {{0xA0, 0xFE}, None}, 0xA1, 93},
    {'J',
     932,
     {{0x20, 0x7F}, {0xA0, 0xDF}},
     {{0x81, 0x9F}, {0xE0, 0xFC}},
     {{0x40, 0xFC}, None},
     0x81,
     123},
};

const AsianSet* FindSet(int asianEncoding) {
  if (asianEncoding < 0 || asianEncoding > 3) return nullptr;
  return &Sets[asianEncoding];
}

int RangeCount(const ByteRange (&r)[2]) {
  int n = 0;
  for (const ByteRange& x : r)
    if (x.high >= x.low) n += x.high - x.low + 1;
  return n;
}

// The next byte after value within the ranges; -1 after the last.
int NextInRanges(const ByteRange (&r)[2], int value) {
  for (const ByteRange& x : r) {
    if (x.high < x.low) continue;
    if (value < x.low) return x.low;
    if (value < x.high) return value + 1;
  }
  return -1;
}

int FirstInRanges(const ByteRange (&r)[2]) { return NextInRanges(r, -1); }

}  // namespace

uint8_t AsianEncodingLetter(int asianEncoding) {
  const AsianSet* s = FindSet(asianEncoding);
  return s ? s->letter : 0;
}

int AsianCodePage(int asianEncoding) {
  const AsianSet* s = FindSet(asianEncoding);
  return s ? s->codePage : 0;
}

int AsianHalfWidthCount(int asianEncoding) {
  const AsianSet* s = FindSet(asianEncoding);
  return s ? RangeCount(s->half) : 0;
}

int AsianGlyphCount(int asianEncoding) {
  const AsianSet* s = FindSet(asianEncoding);
  return s ? RangeCount(s->half) + RangeCount(s->first) * RangeCount(s->second) : 0;
}

AsianCodeCursor::AsianCodeCursor(int asianEncoding) : set_(asianEncoding) {
  const AsianSet* s = FindSet(asianEncoding);
  if (s == nullptr) {
    stage_ = 2;
    return;
  }
  first_ = FirstInRanges(s->half);
}

bool AsianCodeCursor::Next(AsianCode& code) {
  const AsianSet* s = FindSet(set_);
  if (s == nullptr) return false;
  if (stage_ == 0) {
    code.bytes[0] = static_cast<uint8_t>(first_);
    code.bytes[1] = 0;
    code.length = 1;
    code.endOfFirstByte = false;
    code.progress = 0;
    first_ = NextInRanges(s->half, first_);
    if (first_ < 0) {
      stage_ = 1;
      first_ = FirstInRanges(s->first);
      second_ = FirstInRanges(s->second);
    }
    return true;
  }
  if (stage_ != 1) return false;
  code.bytes[0] = static_cast<uint8_t>(first_);
  code.bytes[1] = static_cast<uint8_t>(second_);
  code.length = 2;
  code.endOfFirstByte = false;
  code.progress = 0;
  second_ = NextInRanges(s->second, second_);
  if (second_ < 0) {
    code.endOfFirstByte = true;
    code.progress = (first_ - s->progressStart) * 100 / s->progressDivisor;
    first_ = NextInRanges(s->first, first_);
    if (first_ < 0)
      stage_ = 2;
    else
      second_ = FirstInRanges(s->second);
  }
  return true;
}

}  // namespace varnalux
