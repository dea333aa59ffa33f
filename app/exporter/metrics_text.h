// The Prometheus text exposition format, version 0.0.4: a HELP and a TYPE
// line for each family, then its samples, one a line, with their labels.
// Label values may come from a printer's answers, which are untrusted: they
// are escaped so that no byte of theirs can end a value, a line or the
// UTF-8 that the format requires.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace varnalux {

inline constexpr char ExpositionContentType[] = "text/plain; version=0.0.4; charset=utf-8";

struct MetricLabel {
  std::string_view name;
  std::string_view value;
};

// A label value as it goes between the quotes: backslash, double quote and
// line feed as the format's escapes (\\ \" \n); other control bytes, DEL and
// bytes that are not part of well-formed UTF-8 as the four characters \xNN
// (their backslash escaped, so the value reads back as that text).
std::string EscapeLabelValue(std::string_view raw);

// A HELP text: backslash and line feed escaped, as the format asks.
std::string EscapeHelp(std::string_view raw);

// A sample value: the shortest text that reads back as the same double;
// NaN, +Inf and -Inf as the format spells them.
std::string FormatSampleValue(double value);

class MetricsText {
 public:
  // The HELP and TYPE lines of a family (type: gauge, counter, ...).
  void Family(std::string_view name, std::string_view type, std::string_view help);
  // One sample of the family last opened.
  void Sample(std::string_view name, double value, std::initializer_list<MetricLabel> labels = {});

  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace varnalux
