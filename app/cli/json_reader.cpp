#include "app/cli/json_reader.h"

#include <cstdint>

#include "base/printable_text.h"

namespace varnalux {

namespace {

class Reader {
 public:
  Reader(const std::string& text, JsonError& error) : s_(text), error_(error) {}

  bool Whole(JsonValue& value) {
    SkipSpace();
    if (!Value(value, 0)) return false;
    SkipSpace();
    return at_ == s_.size() || Fail("more text after the value");
  }

 private:
  bool Fail(const std::string& why) {
    error_.line = line_;
    error_.why = why;
    return false;
  }

  void SkipSpace() {
    for (; at_ < s_.size(); ++at_) {
      const char c = s_[at_];
      if (c == '\n')
        ++line_;
      else if (c != ' ' && c != '\t' && c != '\r')
        return;
    }
  }

  bool Literal(const char* word, JsonValue::Kind kind, JsonValue& value) {
    const std::string w(word);
    if (s_.compare(at_, w.size(), w) != 0) return Fail("not a JSON value");
    at_ += w.size();
    value.kind = kind;
    return true;
  }

  bool Value(JsonValue& value, int depth) {
    value = JsonValue{};
    value.line = line_;
    if (at_ >= s_.size()) return Fail("the text ends where a value should be");
    switch (s_[at_]) {
      case '{': return Object(value, depth + 1);
      case '[': return Array(value, depth + 1);
      case '"': value.kind = JsonValue::Kind::String; return String(value.text);
      case 't': return Literal("true", JsonValue::Kind::True, value);
      case 'f': return Literal("false", JsonValue::Kind::False, value);
      case 'n': return Literal("null", JsonValue::Kind::Null, value);
      default: return Number(value);
    }
  }

  size_t Digits() {
    size_t n = 0;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_, ++n;
    return n;
  }

  // -? (0 | [1-9][0-9]*) (. [0-9]+)? ([eE] [+-]? [0-9]+)?, kept as written.
  bool Number(JsonValue& value) {
    const size_t start = at_;
    if (at_ < s_.size() && s_[at_] == '-') ++at_;
    const size_t first = at_;
    const size_t whole = Digits();
    if (whole == 0) return Fail("not a JSON value");
    if (whole > 1 && s_[first] == '0') return Fail("a number with a leading zero");
    if (at_ < s_.size() && s_[at_] == '.') {
      ++at_;
      if (Digits() == 0) return Fail("a number without digits after its point");
    }
    if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
      ++at_;
      if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
      if (Digits() == 0) return Fail("a number without digits in its exponent");
    }
    value.kind = JsonValue::Kind::Number;
    value.text = s_.substr(start, at_ - start);
    return true;
  }

  static void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool Hex4(uint32_t& c) {
    if (s_.size() - at_ < 4) return Fail("a short \\u escape");
    c = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = s_[at_++];
      c <<= 4;
      if (h >= '0' && h <= '9')
        c |= static_cast<uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f')
        c |= static_cast<uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        c |= static_cast<uint32_t>(h - 'A' + 10);
      else
        return Fail("a bad \\u escape");
    }
    return true;
  }

  // \uXXXX, with a surrogate pair joined; a lone surrogate is refused.
  bool Unicode(std::string& out) {
    uint32_t c = 0;
    if (!Hex4(c)) return false;
    if (c >= 0xDC00 && c <= 0xDFFF) return Fail("a lone surrogate in a \\u escape");
    if (c >= 0xD800 && c <= 0xDBFF) {
      uint32_t low = 0;
      if (s_.compare(at_, 2, "\\u") != 0) return Fail("a lone surrogate in a \\u escape");
      at_ += 2;
      if (!Hex4(low)) return false;
      if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone surrogate in a \\u escape");
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, c);
    return true;
  }

  bool Escape(std::string& out) {
    if (at_ >= s_.size()) return Fail("the text ends inside a string");
    const char e = s_[at_++];
    switch (e) {
      case '"': out += '"'; return true;
      case '\\': out += '\\'; return true;
      case '/': out += '/'; return true;
      case 'b': out += '\b'; return true;
      case 'f': out += '\f'; return true;
      case 'n': out += '\n'; return true;
      case 'r': out += '\r'; return true;
      case 't': out += '\t'; return true;
      case 'u': return Unicode(out);
      default: return Fail("a bad escape in a string");
    }
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < s_.size()) {
      const unsigned char c = static_cast<unsigned char>(s_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return Fail("a control character in a string");
      if (c == '\\') {
        ++at_;
        if (!Escape(out)) return false;
        continue;
      }
      const size_t n = CharacterBytes(s_, at_);
      if (c >= 0x80 && n < 2) return Fail("a string that is not UTF-8");
      out.append(s_, at_, n);
      at_ += n;
    }
    return Fail("the text ends inside a string");
  }

  // The items of an array or the members of an object, between open and
  // close, separated by commas; item reads one.
  template <typename Item>
  bool Sequence(char close, int depth, Item item) {
    if (depth > JsonDepthMax) return Fail("nested deeper than " + std::to_string(JsonDepthMax));
    ++at_;  // the opening bracket
    SkipSpace();
    if (at_ < s_.size() && s_[at_] == close) return ++at_, true;
    for (;;) {
      if (!item()) return false;
      SkipSpace();
      if (at_ >= s_.size()) return Fail("the text ends inside an array or object");
      const char c = s_[at_++];
      if (c == close) return true;
      if (c != ',') return Fail(std::string("a comma or '") + close + "' expected");
      SkipSpace();
    }
  }

  bool Array(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Array;
    return Sequence(']', depth, [&] {
      value.items.emplace_back();
      return Value(value.items.back(), depth);
    });
  }

  bool Object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Object;
    return Sequence('}', depth, [&] {
      if (at_ >= s_.size() || s_[at_] != '"') return Fail("a member name in quotes expected");
      value.members.emplace_back();
      if (!String(value.members.back().first)) return false;
      SkipSpace();
      if (at_ >= s_.size() || s_[at_] != ':') return Fail("a colon after a member name expected");
      ++at_;
      SkipSpace();
      return Value(value.members.back().second, depth);
    });
  }

  const std::string& s_;
  JsonError& error_;
  size_t at_ = 0;
  int line_ = 1;
};

}  // namespace

const JsonValue* JsonValue::Member(const std::string& key) const {
  for (const auto& [k, v] : members)
    if (k == key) return &v;
  return nullptr;
}

int JsonValue::Count(const std::string& key) const {
  int n = 0;
  for (const auto& m : members) n += m.first == key ? 1 : 0;
  return n;
}

bool ReadJson(const std::string& text, JsonValue& value, JsonError& error) {
  error = JsonError{};
  return Reader(text, error).Whole(value);
}

std::string CompactJson(const JsonValue& value) {
  switch (value.kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::False: return "false";
    case JsonValue::Kind::True: return "true";
    case JsonValue::Kind::Number: return value.text;
    case JsonValue::Kind::String: return JsonString(value.text);
    case JsonValue::Kind::Array: {
      std::string out = "[";
      for (size_t i = 0; i < value.items.size(); ++i)
        out += (i > 0 ? ", " : "") + CompactJson(value.items[i]);
      return out + "]";
    }
    case JsonValue::Kind::Object: {
      std::string out = "{";
      for (size_t i = 0; i < value.members.size(); ++i)
        out += (i > 0 ? ", " : "") + JsonString(value.members[i].first) + ": " +
               CompactJson(value.members[i].second);
      return out + "}";
    }
  }
  return "null";
}

}  // namespace varnalux
