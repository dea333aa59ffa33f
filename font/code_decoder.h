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

 private:
  int codePage_;
  void* handle_ = nullptr;  // iconv_t
};

}  // namespace varnalux
