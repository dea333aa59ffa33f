#include "sim/config_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

namespace varnalux::sim {

namespace {
std::string Int(long v) { return std::to_string(v); }

// Whole speeds as "4", others with one decimal, as the printer states them.
std::string Speed(double v) {
  if (std::fabs(v - std::round(v)) < 1e-9) return Int(std::lround(v));
  char text[32];
  snprintf(text, sizeof text, "%.1f", v);
  return text;
}
}  // namespace

ConfigStore::ConfigStore(int dpi)
    : dpi_(dpi), dotsPerMm_(std::max(1, static_cast<int>(std::lround(dpi / 25.4)))) {
  ResetToDefaults();
}

int ConfigStore::MmToDots(double mm) const {
  return static_cast<int>(std::lround(mm * dotsPerMm_));
}

void ConfigStore::ResetToDefaults() {
  settings_ = PrinterSettings{};
  settings_.paperWidthDots = 4 * dpi_;
  settings_.paperHeightDots = 2 * dpi_;
  settings_.gapDots = MmToDots(3.0);
  settings_.gapOffsetDots = 0;
}

bool ConfigStore::Report(const std::string& key, std::string& payload) const {
  using Get = std::function<std::string(const ConfigStore&)>;
  static const std::map<std::string, Get> answers = {
      {"DPI", [](const ConfigStore& c) { return Int(c.dpi_); }},
      {"VERSION", [](const ConfigStore& c) { return c.version; }},
      {"MILAGE", [](const ConfigStore& c) { return c.milage; }},
      {"CHECKSUM", [](const ConfigStore& c) { return c.checksum; }},
      {"SPEED", [](const ConfigStore& c) { return Speed(c.settings_.speed); }},
      {"DENSITY", [](const ConfigStore& c) { return Int(c.settings_.density); }},
      {"DENSITYBASE", [](const ConfigStore& c) { return Int(c.settings_.densityBase); }},
      {"PAPERWIDTH", [](const ConfigStore& c) { return Int(c.settings_.paperWidthDots); }},
      {"PAPERHEIGHT", [](const ConfigStore& c) { return Int(c.settings_.paperHeightDots); }},
      {"SENSORMODE", [](const ConfigStore& c) { return Int(c.settings_.sensorMode); }},
      {"GAPSIZE", [](const ConfigStore& c) { return Int(c.settings_.gapDots); }},
      {"GAPOFFSET", [](const ConfigStore& c) { return Int(c.settings_.gapOffsetDots); }},
      {"PRINTOUT", [](const ConfigStore& c) { return Int(c.settings_.printOut); }},
      {"CUTTERPIECE", [](const ConfigStore& c) { return Int(c.settings_.cutterPiece); }},
      {"REFERENCEX", [](const ConfigStore& c) { return Int(c.settings_.referenceX); }},
      {"REFERENCEY", [](const ConfigStore& c) { return Int(c.settings_.referenceY); }},
      // The printer's own spelling of the key.
      {"DIRCTION", [](const ConfigStore& c) { return Int(c.settings_.direction); }},
      {"MIRROR", [](const ConfigStore& c) { return Int(c.settings_.mirror); }},
      {"OFFSET", [](const ConfigStore& c) { return Int(c.settings_.offsetDots); }},
      {"OFFSETBASE", [](const ConfigStore& c) { return Int(c.settings_.offsetBase); }},
      {"SHIFT", [](const ConfigStore& c) { return Int(c.settings_.shift); }},
      {"SHIFTBASE", [](const ConfigStore& c) { return Int(c.settings_.shiftBase); }},
      {"SHIFTX", [](const ConfigStore& c) { return Int(c.settings_.shiftX); }},
      {"SHIFTXBASE", [](const ConfigStore& c) { return Int(c.settings_.shiftXBase); }},
      {"RIBBON", [](const ConfigStore& c) { return Int(c.settings_.ribbon); }},
      {"CODEPAGE", [](const ConfigStore& c) { return c.settings_.codePage; }},
      {"COUNTRY", [](const ConfigStore& c) { return c.settings_.country; }},
      {"HEAD", [](const ConfigStore& c) { return Int(c.settings_.head); }},
      {"REPRINT", [](const ConfigStore& c) { return Int(c.settings_.reprint); }},
      {"GAPINTEN", [](const ConfigStore& c) { return Int(c.settings_.gapInten); }},
      {"BLINEINTEN", [](const ConfigStore& c) { return Int(c.settings_.blineInten); }},
      {"CONINTEN", [](const ConfigStore& c) { return Int(c.settings_.conInten); }},
      {"BAUDRATE", [](const ConfigStore& c) { return c.settings_.baudRate; }},
      {"DATABIT", [](const ConfigStore& c) { return c.settings_.dataBits; }},
      {"PARITY", [](const ConfigStore& c) { return c.settings_.parity; }},
      {"STOPBIT", [](const ConfigStore& c) { return c.settings_.stopBits; }},
  };
  auto it = answers.find(key);
  if (it == answers.end()) return false;
  payload = it->second(*this);
  return true;
}

}  // namespace varnalux::sim
