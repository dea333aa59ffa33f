// The rules of the font page that turn its fields into a FontRequest,
// without any widgets, so the window and the command-line tool refuse the
// same things with the same messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "font/font_canvas.h"
#include "font/font_request.h"

namespace varnalux {

// Item indexes of the page's lists.
inline constexpr int EncodeStandard = 0;    // "Standard Encode"
inline constexpr int EncodeAsian = 1;       // "Asian Font Encode"
inline constexpr int EncodeTable = 2;       // "Encode by Table"
inline constexpr int EncodeAsianTable = 3;  // "Encode by Table (Asian)"
inline constexpr int PitchFixed = 0;        // "Fixed Pitch"
inline constexpr int PitchVariable = 1;     // "Variable Pitch"
inline constexpr int MappingStandard = 0;   // "Standard Mapping"
inline constexpr int MappingFullAscii = 1;  // "Full ASCII Mapping"
inline constexpr int MappingCustomer = 2;   // "Customer Mapping"

// Size of the encoding table buffer; a table of this many bytes or more is
// refused.
inline constexpr int EncodingTableBufferSize = 65536;
// The printer keeps at most this many characters of a font name.
inline constexpr int MaxPrinterFontNameLength = 31;

inline constexpr const char* FontParameterError = "Font Parameter Error";
inline constexpr const char* MakeFontError = "Make Font Error";

// What an encoding enables on the page and the pitch it presets. The
// control that chooses the code page the codes are decoded in is enabled
// exactly when it decides: the "Code Page:" list for the single-byte
// encodings, the Asian set for "Asian Font Encode" and "Encode by Table
// (Asian)".
struct EncodeModeControls {
  bool standardGroup = false;  // the "Standard Encode" group, mapping, range edits
  bool asianGroup = false;     // the "Asian Font Encode" radio group
  bool tableGroup = false;     // the "Encode by Table" group, memo, "Load", "Save", "By File"
  bool codePageList = false;   // the "Code Page:" list
  int pitch = PitchVariable;
};
EncodeModeControls ApplyEncodeMode(int encodeMode);

// Range texts a mapping presets: "32"-"127", "32"-"255"; false for
// "Customer Mapping", which leaves the edits alone.
bool MappingRange(int mapping, std::string& start, std::string& end);

// The sample measured when a font is applied: "W" for the single-byte
// encodings, the pair 0xE0 0xA2 for the Asian ones.
std::string SampleCode(int encodeMode);
// The italic width preset: width * 3 / 10 when the style is exactly italic
// or bold italic (an underlined or struck-out font counts as another style).
int PresetItalicWidth(int sampleWidth, bool bold, bool italic, bool underline, bool strikeOut);

// The encoding table: the text is cut at its first NUL, bytes below 0x20
// are dropped, everything else is kept in order. Reads tableFilePath when
// byFile is set (an unreadable file, one that is not a regular file, or one
// of EncodingTableBufferSize bytes or more, known from its size before it is
// read, gives 0), else memoText (too long gives 0). buffer receives the
// kept bytes and a NUL; returns their number.
int ReadEncodingTable(bool byFile, const std::string& tableFilePath, const std::string& memoText,
                      std::vector<uint8_t>& buffer);

// The page's fields, as texts where the page has edits.
struct FontPageFields {
  int encodeMode = EncodeStandard;
  int pitch = PitchVariable;
  int asianEncoding = AsianTraditionalChinese;  // -1: no radio item selected
  std::string charStart = "32";
  std::string charEnd = "127";
  std::string fontWidth;
  std::string fontHeight;
  std::string italicWidth;
  bool byFile = false;
  std::string tableFilePath;
  std::string memoText;  // the memo's text as bytes of the font's code page
  // The code page to decode the codes with; 0 uses the default of the
  // encoding (1252, or the Asian set's code page). For "Encode by Table
  // (Asian)" the set of asianEncoding names the code page.
  int codePage = 0;
};

// Fills request from the fields, in the page's order of checks. False with
// message "Font Parameter Error" for a missing or out-of-range value (or a
// cell that does not fit the glyph buffer or the canvas), or the conversion
// message "'TEXT' is not a valid integer value". tableBuffer keeps the
// table codes the request points at; it must outlive the request. The
// file name and the canvas are left for the caller.
bool BuildFontRequest(const FontPageFields& fields, std::vector<uint8_t>& tableBuffer,
                      FontRequest& request, std::string& message);

// A printer font name the download command can carry: 1 to 31 characters,
// no double quote, no control character.
bool IsValidPrinterFontName(const std::string& name);
// "" for a name the download command can carry; otherwise "Font Parameter
// Error" and a second line that names the field and the rule it breaks.
std::string PrinterFontNameMessage(const std::string& name);

// Text typed by the user (UTF-8) in bytes of a code page, for table memos;
// characters the code page lacks are dropped. False when the code page is
// not supported.
bool EncodeTextForCodePage(const std::string& utf8, int codePage, std::string& bytes);

}  // namespace varnalux
