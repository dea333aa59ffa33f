// A strict check of JSON syntax (RFC 8259) for what the programs print
// from untrusted input: a text the fuzz targets can hand to any parser.
#pragma once

#include <cstddef>
#include <cctype>
#include <string>

namespace varnalux::fuzz {

class JsonCheck {
 public:
  // True when text is one JSON value, with white space around it at most.
  static bool Valid(const std::string& text) {
    JsonCheck c(text);
    c.Space();
    if (!c.Value(0)) return false;
    c.Space();
    return c.at_ == text.size();
  }

 private:
  explicit JsonCheck(const std::string& text) : s_(text) {}

  bool Value(int depth) {
    if (depth > 64 || at_ >= s_.size()) return false;
    char c = s_[at_];
    if (c == '{') return Members(depth);
    if (c == '[') return Elements(depth);
    if (c == '"') return String();
    if (c == '-' || (c >= '0' && c <= '9')) return Number();
    for (const char* word : {"true", "false", "null"}) {
      if (s_.compare(at_, std::char_traits<char>::length(word), word) == 0) {
        at_ += std::char_traits<char>::length(word);
        return true;
      }
    }
    return false;
  }

  bool Members(int depth) {
    ++at_;
    Space();
    if (Take('}')) return true;
    for (;;) {
      Space();
      if (at_ >= s_.size() || s_[at_] != '"' || !String()) return false;
      Space();
      if (!Take(':')) return false;
      Space();
      if (!Value(depth + 1)) return false;
      Space();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Elements(int depth) {
    ++at_;
    Space();
    if (Take(']')) return true;
    for (;;) {
      Space();
      if (!Value(depth + 1)) return false;
      Space();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  bool String() {
    ++at_;
    while (at_ < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c >= 0x80 && !Utf8Rest(c)) return false;
      if (c != '\\') continue;
      if (at_ >= s_.size()) return false;
      char e = s_[at_++];
      if (e == 'u') {
        for (int i = 0; i < 4; ++i, ++at_)
          if (at_ >= s_.size() || !isxdigit(static_cast<unsigned char>(s_[at_]))) return false;
      } else if (std::string("\"\\/bfnrt").find(e) == std::string::npos) {
        return false;
      }
    }
    return false;
  }

  // JSON text is UTF-8: after the lead byte c, the continuation bytes of one
  // well-formed character (no overlong form, surrogate or code point past
  // U+10FFFF).
  bool Utf8Rest(unsigned char c) {
    int more;
    unsigned long cp;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    for (int i = 0; i < more; ++i, ++at_) {
      if (at_ >= s_.size()) return false;
      const unsigned char n = static_cast<unsigned char>(s_[at_]);
      if ((n & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (n & 0x3F);
    }
    const unsigned long least[] = {0, 0x80, 0x800, 0x10000};
    return cp >= least[more] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
  }

  bool Number() {
    Take('-');
    if (Take('0')) {
    } else if (!Digits()) {
      return false;
    }
    if (Take('.') && !Digits()) return false;
    if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
      ++at_;
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
    }
    return true;
  }

  bool Digits() {
    size_t start = at_;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
    return at_ > start;
  }

  void Space() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
      ++at_;
  }

  bool Take(char c) {
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  const std::string& s_;
  size_t at_ = 0;
};

}  // namespace varnalux::fuzz
