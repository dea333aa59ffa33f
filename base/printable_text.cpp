#include "base/printable_text.h"

#include <cstdint>
#include <cstdio>

namespace varnalux {

namespace {

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the valid UTF-8 character at s[at] (its code point in cp),
// or 0 when the byte there starts none (stray continuation, overlong form,
// surrogate, beyond U+10FFFF, cut short).
size_t Utf8Character(const std::string& s, size_t at, uint32_t& cp) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[at + i]); };
  const size_t left = s.size() - at;
  const unsigned char c = byte(0);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;   // no overlong forms
    if (c == 0xED) high = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (left < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (!Continuation(byte(i))) return 0;
  cp = c & (0xFF >> (length + 1));
  for (size_t i = 1; i < length; ++i) cp = (cp << 6) | (byte(i) & 0x3F);
  return length;
}

// C0 controls, DEL and the C1 controls.
bool ControlCharacter(uint32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

void AppendEscape(std::string& out, const char* format, unsigned value) {
  char escape[8];
  snprintf(escape, sizeof escape, format, value);
  out += escape;
}

}  // namespace

std::string PlainText(const std::string& s) {
  std::string out;
  size_t at = 0;
  while (at < s.size()) {
    uint32_t cp = 0;
    const size_t length = Utf8Character(s, at, cp);
    if (length == 0 || ControlCharacter(cp)) {
      // The bytes of the control character, or the one stray byte.
      const size_t bytes = length == 0 ? 1 : length;
      for (size_t i = 0; i < bytes; ++i)
        AppendEscape(out, "\\x%02X", static_cast<unsigned char>(s[at + i]));
      at += bytes;
      continue;
    }
    out.append(s, at, length);
    at += length;
  }
  return out;
}

size_t CharacterBytes(const std::string& s, size_t at) {
  if (at >= s.size()) return 0;
  uint32_t cp = 0;
  const size_t length = Utf8Character(s, at, cp);
  return length == 0 ? 1 : length;
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  size_t at = 0;
  while (at < s.size()) {
    uint32_t cp = 0;
    const size_t length = Utf8Character(s, at, cp);
    if (length == 0) {
      AppendEscape(out, "\\u%04X", static_cast<unsigned char>(s[at]));
      ++at;
      continue;
    }
    if (cp == '"' || cp == '\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (ControlCharacter(cp)) {
      AppendEscape(out, "\\u%04X", cp);
    } else {
      out.append(s, at, length);
    }
    at += length;
  }
  return out + "\"";
}

}  // namespace varnalux
