// Turns the one- or two-byte codes of a font into the characters to draw,
// through iconv with a Windows code page.
//
// Code pages and the iconv names used for them (glibc):
//   950 CP950 (Big5 with the Microsoft extensions), 936 CP936 (GBK),
//   949 CP949 (Unified Hangul Code), 932 CP932 (Windows Shift_JIS),
//   874 and 1250..1258 CP874 / CP1250..CP1258.
#pragma once

#include <cstdint>

namespace varnalux {

// A character that could not be decoded.
inline constexpr char32_t NoCharacter = 0;

// The most characters the text of one code can hold: a byte pair that is
// not one character of the code page may be two, and a converter that
// composes or splits characters is given room.
inline constexpr int MaxCodeCharacters = 4;

// The text one code stands for, as it is drawn. The code's bytes end at the
// first NUL (the text of code 0 is empty). A pair is decoded as a string of
// the code page: one character, or two when its first byte is a character
// by itself ("AB" is A and B). What is no character stands as NoCharacter:
// a byte, or a whole pair whose first byte is a lead byte the second byte
// does not complete.
struct CodeText {
  char32_t chars[MaxCodeCharacters] = {};
  int count = 0;
  // Every byte became a character (the empty text of code 0 included): no
  // NoCharacter in it.
  bool Decoded() const {
    for (int i = 0; i < count; ++i)
      if (chars[i] == NoCharacter) return false;
    return true;
  }
};

// True for the code pages listed above.
bool IsSupportedCodePage(int codePage);
// The iconv name of a supported code page, or null.
const char* CodePageIconvName(int codePage);

class CodeDecoder {
 public:
  explicit CodeDecoder(int codePage);
  ~CodeDecoder();
  CodeDecoder(const CodeDecoder&) = delete;
  CodeDecoder& operator=(const CodeDecoder&) = delete;

  // False when the code page is not supported or iconv cannot convert it.
  bool IsValid() const { return handle_ != nullptr; }
  int CodePage() const { return codePage_; }

  // The one character the bytes stand for; NoCharacter when they are not
  // exactly one valid character of the code page (or are the NUL byte).
  char32_t Decode(const uint8_t* bytes, int length) const;
  // The text of a one- or two-byte code (see CodeText); empty for a length
  // outside 1..2 or an invalid decoder.
  CodeText DecodeText(const uint8_t* bytes, int length) const;

 private:
  // Converts all of the bytes and appends their characters to text; false
  // (text unchanged) when they are not whole characters of the code page.
  bool Convert(const uint8_t* bytes, int length, CodeText& text) const;

  int codePage_;
  void* handle_ = nullptr;  // iconv_t
};

}  // namespace varnalux
