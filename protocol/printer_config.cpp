#include "protocol/printer_config.h"

#include <cstring>

namespace varnalux {

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
// The short forms of the baud rates that SET COM1 takes; same indexes.
const char* const BaudCodes[] = {"0", "12", "24", "48", "96", "19", "38", "56", "115"};
const char* const DataBits[] = {"7", "8"};
const char* const Parities[] = {"None", "Odd", "Even"};
const char* const StopBits[] = {"1", "2"};

template <size_t N>
constexpr LookupTable Table(const char* const (&entries)[N]) {
  return LookupTable{entries, static_cast<int32_t>(N)};
}

static_assert(sizeof CodePages / sizeof CodePages[0] == 36);
static_assert(sizeof Countries / sizeof Countries[0] == 22);
static_assert(sizeof BaudRates / sizeof BaudRates[0] == 9);
static_assert(sizeof BaudCodes / sizeof BaudCodes[0] == 9);

}  // namespace

const LookupTable CodePageTable = Table(CodePages);
const LookupTable CountryTable = Table(Countries);
const LookupTable BaudRateTable = Table(BaudRates);
const LookupTable BaudCodeTable = Table(BaudCodes);
const LookupTable DataBitTable = Table(DataBits);
const LookupTable ParityTable = Table(Parities);
const LookupTable StopBitTable = Table(StopBits);

void ResetConfig(PrinterConfig& config) {
  memset(&config, 0, sizeof config);
  config.dpi = 200.0f;
  config.dotsPerMm = 11.8f;
  config.speed = 3.0f;
}

int32_t LookupIndex(const LookupTable& table, const char* text) {
  if (text == nullptr) return table.size;
  for (int32_t i = 0; i < table.size; ++i) {
    if (strcmp(table.entries[i], text) == 0) return i;
  }
  return table.size;
}

const char* LookupEntry(const LookupTable& table, int32_t index) {
  if (index < 0 || index >= table.size) return nullptr;
  return table.entries[index];
}

}  // namespace varnalux
