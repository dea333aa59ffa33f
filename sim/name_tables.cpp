#include "sim/name_tables.h"

namespace varnalux::sim {

namespace {
const char* const CodePages[] = {
    "USA",    "BRI",    "GER",    "FRE",    "DAN",    "ITA",    "SPA",    "SWE",     "SWI",
    "437",    "850",    "852",    "857",    "860",    "863",    "865",    "1250",    "1251",
    "1252",   "1253",   "1254",   "1255",   "1256",   "1257",   "1258",   "8859-1",  "8859-2",
    "8859-3", "8859-4", "8859-5", "8859-6", "8859-7", "8859-8", "8859-9", "8859-10", "8859-15"};
const char* const Countries[] = {"001", "002", "003", "031", "032", "033", "034", "036",
                                 "038", "039", "041", "042", "044", "045", "046", "047",
                                 "048", "049", "055", "061", "351", "358"};
const char* const BaudRates[] = {"0",     "1200",  "2400",  "4800",  "9600",
                                 "19200", "38400", "57600", "115200"};
const char* const BaudCodes[] = {"0", "12", "24", "48", "96", "19", "38", "56", "115"};
const char* const DataBits[] = {"7", "8"};
const char* const Parities[] = {"None", "Odd", "Even"};
const char* const StopBits[] = {"1", "2"};

template <size_t N>
constexpr NameTable MakeTable(const char* const (&names)[N]) {
  return NameTable{names, N};
}
}  // namespace

const NameTable CodePageNames = MakeTable(CodePages);
const NameTable CountryNames = MakeTable(Countries);
const NameTable BaudRateNames = MakeTable(BaudRates);
const NameTable BaudCodeNames = MakeTable(BaudCodes);
const NameTable DataBitNames = MakeTable(DataBits);
const NameTable ParityNames = MakeTable(Parities);
const NameTable StopBitNames = MakeTable(StopBits);

int FindName(const NameTable& table, const std::string& text) {
  for (size_t i = 0; i < table.size; ++i)
    if (text == table.names[i]) return static_cast<int>(i);
  return -1;
}

std::string BaudRateFromCode(const std::string& code) {
  int i = FindName(BaudCodeNames, code);
  return i < 0 ? std::string() : std::string(BaudRateNames.names[i]);
}

}  // namespace varnalux::sim
