#include "protocol/printer_config.h"

#include <cstring>

// Placeholder until the configuration record is built.
namespace varnalux {
namespace {
const char* const kNone[] = {""};
}
const LookupTable CodePageTable{kNone, 0};
const LookupTable CountryTable{kNone, 0};
const LookupTable BaudRateTable{kNone, 0};
const LookupTable BaudCodeTable{kNone, 0};
const LookupTable DataBitTable{kNone, 0};
const LookupTable ParityTable{kNone, 0};
const LookupTable StopBitTable{kNone, 0};
void ResetConfig(PrinterConfig& config) { memset(&config, 0, sizeof config); }
int32_t LookupIndex(const LookupTable& table, const char*) { return table.size; }
const char* LookupEntry(const LookupTable&, int32_t) { return nullptr; }
}  // namespace varnalux
