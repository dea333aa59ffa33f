#include "base/numbers.h"

#include <locale.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace varnalux {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The "C" locale, made once; strtod_l then ignores whatever LC_NUMERIC the
// process (a GUI toolkit, for one) has set.
locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}

// Copies the result of to_chars into out, cut to size, NUL-terminated.
size_t Finish(const char* begin, const char* end, char* out, size_t size) {
  if (size == 0) return 0;
  size_t n = static_cast<size_t>(end - begin);
  if (n > size - 1) n = size - 1;
  memcpy(out, begin, n);
  out[n] = '\0';
  return n;
}

// The text without blanks at either end, as [begin, end).
void Trim(const char* text, const char*& begin, const char*& end) {
  begin = text;
  end = text + strlen(text);
  while (begin < end && IsBlank(*begin)) ++begin;
  while (end > begin && IsBlank(end[-1])) --end;
}

// The trimmed text with its optional sign taken: p at what follows the sign,
// end past the last non-blank character. False for no text at all.
bool SignedSpan(const char* text, const char*& p, const char*& end, bool& negative) {
  if (text == nullptr) return false;
  Trim(text, p, end);
  negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  return true;
}

}  // namespace

int32_t LenientInteger(const char* text) {
  return text == nullptr ? 0 : LenientInteger(text, strlen(text));
}

int32_t LenientInteger(const char* text, size_t length) {
  if (text == nullptr) return 0;
  const char* p = text;
  const char* const end = text + length;
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  int64_t value = 0;
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > limit) value = limit;  // saturate, keep consuming digits
  }
  return static_cast<int32_t>(negative ? -value : value);
}

double LenientDecimal(const char* text) {
  if (text == nullptr) return 0.0;
  locale_t c = CLocale();
  if (c != static_cast<locale_t>(0)) return strtod_l(text, nullptr, c);
  // Without a locale object, parse the plain decimal form by hand.
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  double value = 0.0;
  auto r = std::from_chars(p, p + strlen(p), value, std::chars_format::general);
  if (r.ec != std::errc()) value = 0.0;
  return negative ? -value : value;
}

size_t FormatFixed(double value, int digits, char* out, size_t size) {
  // Enough for any double in fixed notation with a few decimals.
  char buffer[400];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, digits);
  if (r.ec != std::errc()) return Finish(buffer, buffer, out, size);
  return Finish(buffer, r.ptr, out, size);
}

size_t FormatGeneral15(double value, char* out, size_t size) {
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (r.ec != std::errc()) return Finish(buffer, buffer, out, size);
  return Finish(buffer, r.ptr, out, size);
}

size_t FormatShortest(float value, char* out, size_t size) {
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (r.ec != std::errc()) return Finish(buffer, buffer, out, size);
  return Finish(buffer, r.ptr, out, size);
}

bool ParseStrictDecimal(const char* text, double& value) {
  const char *p, *end;
  bool negative;
  if (!SignedSpan(text, p, end, negative)) return false;
  const char* number = p;
  int mantissaDigits = 0;
  while (p < end && *p >= '0' && *p <= '9') ++p, ++mantissaDigits;
  if (p < end && *p == '.') {
    ++p;
    while (p < end && *p >= '0' && *p <= '9') ++p, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < end && (*p == '+' || *p == '-')) ++p;
    int exponentDigits = 0;
    while (p < end && *p >= '0' && *p <= '9') ++p, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (p != end) return false;
  double parsed = 0.0;
  auto r = std::from_chars(number, end, parsed, std::chars_format::general);
  if (r.ptr != end) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too small rounds toward zero; too large is not a value.
    std::string copy(number, end);
    parsed = LenientDecimal(copy.c_str());
    if (std::isinf(parsed)) return false;
  } else if (r.ec != std::errc()) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

bool ParseStrictInteger(const char* text, int32_t& value) {
  const char *p, *end;
  bool negative;
  if (!SignedSpan(text, p, end, negative)) return false;
  if (p == end) return false;
  int64_t v = 0;
  for (; p < end; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace varnalux
