#include "protocol/config_text.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/numbers.h"
#include "base/printable_text.h"

namespace varnalux {

namespace {

enum class Kind { Text, Float, Int, Lookup };

struct Field {
  const char* name;
  Kind kind;
  size_t flag;   // offset of the valid flag; NoFlag for the texts
  size_t value;  // offset of the value
  size_t size;   // text field size
  const LookupTable* table;
  bool setting;  // sent by a write, compared by a diff
};

constexpr size_t NoFlag = static_cast<size_t>(-1);

#define VARNALUX_TEXT(f) \
  { #f, Kind::Text, NoFlag, offsetof(PrinterConfig, f), sizeof(PrinterConfig::f), nullptr, false }
#define VARNALUX_FIELD(f, kind, setting) \
  { #f, kind, offsetof(PrinterConfig, f##Valid), offsetof(PrinterConfig, f), 0, nullptr, setting }
#define VARNALUX_LOOKUP(f, table)                                                               \
  {                                                                                             \
#f, Kind::Lookup, offsetof(PrinterConfig, f##Valid), offsetof(PrinterConfig, f), 0, &table, \
        true                                                                                    \
  }

const Field Fields[] = {
    VARNALUX_TEXT(version),
    VARNALUX_TEXT(milage),
    VARNALUX_TEXT(checksum),
    {"dpi", Kind::Float, offsetof(PrinterConfig, dpiValid), offsetof(PrinterConfig, dpi), 0,
     nullptr, false},
    {"dotsPerMm", Kind::Float, offsetof(PrinterConfig, dpiValid),
     offsetof(PrinterConfig, dotsPerMm), 0, nullptr, false},
    VARNALUX_FIELD(speed, Kind::Float, true),
    VARNALUX_FIELD(density, Kind::Int, true),
    VARNALUX_FIELD(densityBase, Kind::Int, false),
    VARNALUX_FIELD(paperWidth, Kind::Float, true),
    VARNALUX_FIELD(paperHeight, Kind::Float, true),
    VARNALUX_FIELD(sensorMode, Kind::Int, true),
    VARNALUX_FIELD(gapSize, Kind::Float, true),
    VARNALUX_FIELD(gapOffset, Kind::Float, true),
    VARNALUX_FIELD(printOut, Kind::Int, true),
    VARNALUX_FIELD(cutterPiece, Kind::Int, true),
    VARNALUX_FIELD(referenceX, Kind::Int, true),
    VARNALUX_FIELD(referenceY, Kind::Int, true),
    VARNALUX_FIELD(direction, Kind::Int, true),
    VARNALUX_FIELD(mirror, Kind::Int, true),
    VARNALUX_FIELD(offset, Kind::Int, true),
    VARNALUX_FIELD(offsetBase, Kind::Int, false),
    VARNALUX_FIELD(shift, Kind::Int, true),
    VARNALUX_FIELD(shiftBase, Kind::Int, false),
    VARNALUX_FIELD(shiftX, Kind::Int, true),
    VARNALUX_FIELD(shiftXBase, Kind::Int, false),
    VARNALUX_FIELD(ribbon, Kind::Int, true),
    VARNALUX_LOOKUP(codePage, CodePageTable),
    VARNALUX_LOOKUP(country, CountryTable),
    VARNALUX_FIELD(head, Kind::Int, true),
    VARNALUX_FIELD(reprint, Kind::Int, true),
    VARNALUX_FIELD(gapInten, Kind::Int, true),
    VARNALUX_FIELD(blineInten, Kind::Int, true),
    VARNALUX_FIELD(conInten, Kind::Int, true),
    VARNALUX_LOOKUP(baudRate, BaudRateTable),
    VARNALUX_LOOKUP(dataBits, DataBitTable),
    VARNALUX_LOOKUP(parity, ParityTable),
    VARNALUX_LOOKUP(stopBits, StopBitTable),
};

#undef VARNALUX_TEXT
#undef VARNALUX_FIELD
#undef VARNALUX_LOOKUP

const uint8_t* Bytes(const PrinterConfig& c) { return reinterpret_cast<const uint8_t*>(&c); }

bool IsSet(const Field& f, const PrinterConfig& c) {
  return f.flag == NoFlag || Bytes(c)[f.flag] != 0;
}

std::string TextOf(const Field& f, const PrinterConfig& c) {
  const char* text = reinterpret_cast<const char*>(Bytes(c) + f.value);
  return std::string(text, strnlen(text, f.size));
}

float FloatOf(const Field& f, const PrinterConfig& c) {
  float v;
  memcpy(&v, Bytes(c) + f.value, sizeof v);
  return v;
}

int32_t IntOf(const Field& f, const PrinterConfig& c) {
  int32_t v;
  memcpy(&v, Bytes(c) + f.value, sizeof v);
  return v;
}

std::string FloatText(float v) {
  char buffer[64];
  FormatShortest(v, buffer, sizeof buffer);
  return buffer;
}

std::string PlainValue(const Field& f, const PrinterConfig& c) {
  switch (f.kind) {
    case Kind::Text: return PlainText(TextOf(f, c));
    case Kind::Float: return FloatText(FloatOf(f, c));
    case Kind::Int: return std::to_string(IntOf(f, c));
    case Kind::Lookup: {
      int32_t index = IntOf(f, c);
      const char* entry = LookupEntry(*f.table, index);
      return std::to_string(index) + (entry != nullptr ? std::string(" (") + entry + ")"
                                                       : std::string(" (not in the list)"));
    }
  }
  return std::string();
}

std::string JsonValue(const Field& f, const PrinterConfig& c) {
  if (!IsSet(f, c)) return "null";
  switch (f.kind) {
    case Kind::Text: return JsonString(TextOf(f, c));
    case Kind::Float: {
      float v = FloatOf(f, c);
      // JSON has no infinities or NaN; such a value (a damaged file) is
      // given as a string.
      return std::isfinite(v) ? FloatText(v) : JsonString(FloatText(v));
    }
    case Kind::Int:
    case Kind::Lookup: return std::to_string(IntOf(f, c));
  }
  return "null";
}

const char* const StatusNames[8] = {"headOpen", "paperJam", "outOfPaper", "outOfRibbon",
                                    "pause",    "printing", "bit6",       "otherError"};

void StatusValues(const PrinterStatus& s, int (&values)[8]) {
  const uint8_t flags[8] = {s.headOpen, s.paperJam, s.outOfPaper, s.outOfRibbon,
                            s.pause,    s.printing, s.bit6,       s.otherError};
  for (int i = 0; i < 8; ++i) values[i] = flags[i];
}

}  // namespace

std::string ConfigAsText(const PrinterConfig& config) {
  std::string out;
  for (const Field& f : Fields) {
    if (!IsSet(f, config)) continue;
    out += f.name;
    out += ": ";
    out += PlainValue(f, config);
    out += '\n';
  }
  return out;
}

std::string ConfigAsJson(const PrinterConfig& config, const int32_t* unit,
                         const PrinterStatus* status) {
  std::string out = "{";
  bool first = true;
  for (const Field& f : Fields) {
    if (!first) out += ", ";
    first = false;
    out += '"';
    out += f.name;
    out += "\": ";
    out += JsonValue(f, config);
  }
  if (unit != nullptr && status != nullptr) {
    out += ", \"unit\": " + std::to_string(*unit) + ", \"status\": {";
    int values[8];
    StatusValues(*status, values);
    for (int i = 0; i < 8; ++i) {
      if (i > 0) out += ", ";
      out += '"';
      out += StatusNames[i];
      out += "\": " + std::to_string(values[i]);
    }
    out += '}';
  }
  return out + "}\n";
}

std::string UnitAndStatusAsText(int32_t unit, const PrinterStatus& status) {
  // As loading selects it: negative no unit, 0 inch, 1 and above mm.
  std::string out = "unit: " + std::to_string(unit);
  if (unit < 0)
    out += " (none)";
  else if (unit == 0)
    out += " (inch)";
  else
    out += " (mm)";
  out += '\n';
  int values[8];
  StatusValues(status, values);
  for (int i = 0; i < 8; ++i)
    out += std::string(StatusNames[i]) + ": " + std::to_string(values[i]) + "\n";
  return out;
}

std::string DiffConfigs(const PrinterConfig& a, const PrinterConfig& b, int& count) {
  std::string out;
  count = 0;
  for (const Field& f : Fields) {
    if (!f.setting) continue;
    std::string va = JsonValue(f, a);
    std::string vb = JsonValue(f, b);
    if (va == vb) continue;
    out += std::string(f.name) + ": " + va + " -> " + vb + "\n";
    ++count;
  }
  return out;
}

}  // namespace varnalux
