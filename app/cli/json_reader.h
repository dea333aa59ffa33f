// A strict, bounded JSON reader for texts the tool is handed: the printer
// list in its Prometheus file-discovery form, and a command's own --json
// output when a run over many printers embeds it. Any bytes are read
// safely: nesting is bounded, strings must be valid UTF-8, and an error
// names the line it was found on.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace varnalux {

struct JsonValue {
  enum class Kind { Null, False, True, Number, String, Array, Object };
  Kind kind = Kind::Null;
  // A string's characters (UTF-8, escapes resolved), or a number as written.
  std::string text;
  std::vector<JsonValue> items;                            // an array's
  std::vector<std::pair<std::string, JsonValue>> members;  // an object's, in order
  int line = 0;                                            // where the value starts, from 1

  // The first member of an object with this key; null when none.
  const JsonValue* Member(const std::string& key) const;
  // How many members of an object have this key.
  int Count(const std::string& key) const;
};

struct JsonError {
  int line = 0;
  std::string why;
};

// Arrays and objects nest at most this deep.
inline constexpr int JsonDepthMax = 64;

// Reads one JSON value that fills the whole text (white space around it
// allowed); false with the line and the reason when it is not valid JSON.
bool ReadJson(const std::string& text, JsonValue& value, JsonError& error);

// The value on one line, strings through the program's JSON string writer.
std::string CompactJson(const JsonValue& value);

}  // namespace varnalux
