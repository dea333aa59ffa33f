#include "app/exporter/metrics_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace varnalux {

namespace {

// The length of the well-formed UTF-8 sequence at text[at] (2 to 4 bytes:
// no overlong forms, no surrogates, nothing above U+10FFFF); 0 when the
// bytes there are not one.
size_t Utf8SequenceAt(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(at);
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  return length;
}

void AppendHexEscape(std::string& out, uint8_t byte) {
  char text[8];
  snprintf(text, sizeof text, "\\\\x%02X", byte);
  out += text;
}

}  // namespace

std::string EscapeLabelValue(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (size_t i = 0; i < raw.size();) {
    const auto c = static_cast<uint8_t>(raw[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHexEscape(out, c);
    } else if (c >= 0x80) {
      const size_t length = Utf8SequenceAt(raw, i);
      if (length == 0) {
        AppendHexEscape(out, c);
      } else {
        out.append(raw.substr(i, length));
        i += length;
        continue;
      }
    } else {
      out.push_back(static_cast<char>(c));
    }
    ++i;
  }
  return out;
}

std::string EscapeHelp(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (char c : raw) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else
      out.push_back(c);
  }
  return out;
}

std::string FormatSampleValue(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  if (error != std::errc()) return "NaN";
  return std::string(text, end);
}

void MetricsText::Family(std::string_view name, std::string_view type, std::string_view help) {
  text_ += "# HELP ";
  text_ += name;
  text_ += ' ';
  text_ += EscapeHelp(help);
  text_ += "\n# TYPE ";
  text_ += name;
  text_ += ' ';
  text_ += type;
  text_ += '\n';
}

void MetricsText::Sample(std::string_view name, double value,
                         std::initializer_list<MetricLabel> labels) {
  text_ += name;
  if (labels.size() != 0) {
    text_ += '{';
    bool first = true;
    for (const MetricLabel& label : labels) {
      if (!first) text_ += ',';
      first = false;
      text_ += label.name;
      text_ += "=\"";
      text_ += EscapeLabelValue(label.value);
      text_ += '"';
    }
    text_ += '}';
  }
  text_ += ' ';
  text_ += FormatSampleValue(value);
  text_ += '\n';
}

}  // namespace varnalux
