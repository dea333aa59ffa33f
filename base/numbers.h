// Number conversions independent of the process locale, for the settings,
// the clock, the file list and the font requests: answers from the printer
// are converted leniently (like atol and atof in the "C" locale), numbers
// typed by the user strictly, and numbers going to the printer or into a text
// are formatted with a period.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnalux {

// Like atol: leading blanks, optional sign, decimal digits up to the first
// other character; no digits give 0. Saturates at the int32 range. The
// first reads the NUL-terminated text, the second at most length bytes
// (a printer's answer); null text gives 0.
int32_t LenientInteger(const char* text);
int32_t LenientInteger(const char* text, size_t length);
// Like atof in the "C" locale: optional sign, digits, fraction, exponent;
// nothing convertible gives 0.
double LenientDecimal(const char* text);

// "%.*f" of value with the period as separator, always NUL-terminated and
// cut to size. Returns the length written (without the NUL).
size_t FormatFixed(double value, int digits, char* out, size_t size);
// "%.15g" of value (the general format with up to 15 significant digits).
size_t FormatGeneral15(double value, char* out, size_t size);
// The shortest text that reads back as the same float ("101.5", "3.2").
size_t FormatShortest(float value, char* out, size_t size);

// Strict conversions of user text: blanks around the number are allowed,
// nothing else. Decimal: optional sign, digits with an optional period and
// fraction, optional exponent. Integer: optional sign and decimal digits,
// within the int32 range. False when the text is not such a number.
bool ParseStrictDecimal(const char* text, double& value);
bool ParseStrictInteger(const char* text, int32_t& value);

}  // namespace varnalux
