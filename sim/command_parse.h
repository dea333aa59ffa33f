// Small, defensive parsers for the arguments of the printer's command lines.
// Every function returns false for text it does not accept; nothing throws.
#pragma once

#include <string>
#include <vector>

namespace varnalux::sim {

std::string Trim(const std::string& text);
std::string Upper(const std::string& text);

// Splits at commas that are not inside double quotes; each part trimmed.
std::vector<std::string> SplitArguments(const std::string& text);

// A whole decimal integer with optional sign, within +-1e9.
bool ParseInt(const std::string& text, long& value);
// A finite decimal number within +-1e9.
bool ParseNumber(const std::string& text, double& value);

// A length with an optional unit, in dots, not yet rounded: "mm" at
// dotsPerMm, "dot" as it stands, none for inches at dpi.
bool ParseLength(const std::string& text, int dpi, int dotsPerMm, double& dots);

// "ON" / "OFF" in any case.
bool ParseOnOff(const std::string& text, bool& on);

// A text in double quotes: "name" -> name.
bool ParseQuoted(const std::string& text, std::string& inner);

// A memory device letter before a file name: "" DRAM, "F" FLASH, "E" CARD;
// -1 for anything else.
int DeviceFromLetter(const std::string& letter);

// The header of a sized download, complete up to its final comma:
// DOWNLOAD [F,|E,]"name",size,
bool MatchDownloadHeader(const std::string& line, int& device, std::string& name, long& size);

// The header of a dump: DUMP_TEXT PRINT, | DUMP_TEXT SAVE n,[E,|F,]"name",
struct DumpHeader {
  bool save = false;
  long limit = 0;  // bytes to keep; 0 = no limit given
  int device = 0;
  std::string name;
};
bool MatchDumpHeader(const std::string& line, DumpHeader& header);

}  // namespace varnalux::sim
