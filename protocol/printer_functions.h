// One-shot printer functions: plain writes of command bytes; only
// ReadPrinterFile reads.
#pragma once

#include <cstdint>

#include "protocol/codes.h"

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
  float dpi;        // carried, not used
  float dotsPerMm;  // a whole number such as 8 or 12
  float paperWidth;   // mm
  float paperHeight;  // mm
  int32_t sensorMode;  // carried, not used
};

ResultCode FactoryDefault(InterfaceKind kind);
ResultCode DumpText(InterfaceKind kind, const DumpTextSettings& settings);
ResultCode PrintConfigurationPage(InterfaceKind kind);
ResultCode CalibrateSensor(InterfaceKind kind, int32_t mediaChoice);
ResultCode ResetPrinter(InterfaceKind kind);
ResultCode PrintTestPage(InterfaceKind kind, const TestPageRequest& request);
ResultCode IgnoreAutoBas(InterfaceKind kind);
ResultCode ReadPrinterFile(InterfaceKind kind, ReadBackRequest& request);

}  // namespace varnalux
