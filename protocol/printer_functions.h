// One-shot printer functions: plain writes of command bytes; only
// ReadPrinterFile reads.
#pragma once

#include <cstdint>
#include <string>

#include "base/codes.h"

namespace varnalux {

// DumpMode: 0 print label, 1 save to the card, 2 save to a file on the computer.
struct DumpTextSettings {
  uint32_t mode;
  char fileName[16];
  uint8_t accepted;
};

struct ReadBackRequest {
  int32_t capacity;  // size of buffer; the most that will be read
  uint32_t count;    // out: bytes received
  char fileName[16];
  uint8_t* buffer;  // owned by the caller
};

struct TestPageRequest {
  float dpi;           // carried, not used
  float dotsPerMm;     // a whole number such as 8 or 12
  float paperWidth;    // mm
  float paperHeight;   // mm
  int32_t sensorMode;  // carried, not used
};

// Printer file names travel between double quotes ("DUMP_TEXT SAVE ...,\"%s\""
// and "LOAD \"%s\""). A name holding a double quote or a control character
// (below 0x20, or 0x7F) could end the quoted name and smuggle further command
// text, so it is refused. Null is not a name.
bool PrinterFileNameIsSafe(const char* name);
inline constexpr int PrinterFileNameSize = 16;
// The code DumpText (mode 1) and ReadPrinterFile return for an unsafe name;
// nothing is sent and the link is not opened.
inline constexpr ResultCode ResultUnsafeName = ResultUnknownError;

// The bytes of operations 4 and 8, without sending them. DumpText's name is
// taken from the 16-byte field, at most 16 bytes even when unterminated.
std::string DumpTextCommand(const DumpTextSettings& settings);
const char* CalibrationCommand(int32_t mediaChoice);

ResultCode FactoryDefault(InterfaceKind kind);
ResultCode DumpText(InterfaceKind kind, const DumpTextSettings& settings);
ResultCode PrintConfigurationPage(InterfaceKind kind);
ResultCode CalibrateSensor(InterfaceKind kind, int32_t mediaChoice);
ResultCode ResetPrinter(InterfaceKind kind);
ResultCode PrintTestPage(InterfaceKind kind, const TestPageRequest& request);
ResultCode IgnoreAutoBas(InterfaceKind kind);
ResultCode ReadPrinterFile(InterfaceKind kind, ReadBackRequest& request);

}  // namespace varnalux
