// The names the printer reports for its list-valued settings, in the order
// the tool keeps them, and the short baud codes of the SET COM1 command.
//
// These are the printer's own tables, written out here on purpose although
// the program holds the same lists (protocol/printer_config.cpp): the virtual
// printer stands for independent firmware and shares no code with the
// program, so a wrong entry in the program's table is caught by the tests
// instead of agreeing with itself.
#pragma once

#include <cstddef>
#include <string>

namespace varnalux::sim {

struct NameTable {
  const char* const* names;
  size_t size;
};

extern const NameTable CodePageNames;
extern const NameTable CountryNames;
extern const NameTable BaudRateNames;
extern const NameTable BaudCodeNames;  // same order as BaudRateNames
extern const NameTable DataBitNames;
extern const NameTable ParityNames;
extern const NameTable StopBitNames;

// Index of the entry equal to text, or -1.
int FindName(const NameTable& table, const std::string& text);

// "96" -> "9600"; empty when the code is not one of the baud codes.
std::string BaudRateFromCode(const std::string& code);

}  // namespace varnalux::sim
