#include "protocol/printer_functions.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "link/link_session.h"
#include "protocol/test_page.h"

namespace varnalux {

namespace {

constexpr uint8_t ResetBytes[3] = {0x1B, 0x21, 0x52};       // ESC ! R
constexpr uint8_t IgnoreAutoBytes[3] = {0x1B, 0x21, 0x43};  // ESC ! C
constexpr int LoadFirstPauseMs = 500;
constexpr int LoadSecondPauseMs = 100;

bool CharIsSafe(unsigned char c) { return c != '"' && c >= 0x20 && c != 0x7F; }

// The name in a 16-byte field, never read past the field.
std::string FieldText(const char (&field)[PrinterFileNameSize]) {
  return std::string(field, strnlen(field, PrinterFileNameSize));
}

bool FieldIsSafe(const char (&field)[PrinterFileNameSize]) {
  for (unsigned char c : FieldText(field))
    if (!CharIsSafe(c)) return false;
  return true;
}

ResultCode WriteText(InterfaceKind kind, const std::string& text) {
  return WriteOnce(kind, text.data(), static_cast<uint32_t>(text.size()));
}

ResultCode WriteText(InterfaceKind kind, const char* text) {
  return WriteOnce(kind, text, static_cast<uint32_t>(strlen(text)));
}

}  // namespace

bool PrinterFileNameIsSafe(const char* name) {
  if (name == nullptr) return false;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p)
    if (!CharIsSafe(*p)) return false;
  return true;
}

std::string DumpTextCommand(const DumpTextSettings& settings) {
  switch (settings.mode) {
    case 0: return "DUMP_TEXT PRINT,";
    case 1: return "DUMP_TEXT SAVE 1000,E,\"" + FieldText(settings.fileName) + "\",";
    default: return "DUMP_TEXT SAVE 1000,\"Dump.txt\",";
  }
}

const char* CalibrationCommand(int32_t mediaChoice) {
  switch (mediaChoice) {
    case 0: return "GAPDETECT\r\n";
    case 1: return "BLINEDETECT\r\n";
    default: return "GAP 0.12,0\r\nGAP 0,0\r\n";
  }
}

ResultCode FactoryDefault(InterfaceKind kind) { return WriteText(kind, "INITIALPRINTER\r\n"); }

ResultCode DumpText(InterfaceKind kind, const DumpTextSettings& settings) {
  if (settings.mode == 1 && !FieldIsSafe(settings.fileName)) return ResultUnsafeName;
  return WriteText(kind, DumpTextCommand(settings));
}

ResultCode PrintConfigurationPage(InterfaceKind kind) { return WriteText(kind, "SELFTEST\r\n"); }

ResultCode CalibrateSensor(InterfaceKind kind, int32_t mediaChoice) {
  return WriteText(kind, CalibrationCommand(mediaChoice));
}

ResultCode ResetPrinter(InterfaceKind kind) {
  return WriteOnce(kind, ResetBytes, sizeof ResetBytes);
}

ResultCode PrintTestPage(InterfaceKind kind, const TestPageRequest& request) {
  return WriteText(kind, BuildTestPageProgram(request));
}

ResultCode IgnoreAutoBas(InterfaceKind kind) {
  return WriteOnce(kind, IgnoreAutoBytes, sizeof IgnoreAutoBytes);
}

ResultCode ReadPrinterFile(InterfaceKind kind, ReadBackRequest& request) {
  request.count = 0;
  if (!FieldIsSafe(request.fileName)) return ResultUnsafeName;
  const std::string load = "LOAD \"" + FieldText(request.fileName) + "\"\r\n\r\n";

  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  if (!link.Write("\r\n", 2)) return link.Finish(ResultTransmitError);
  std::this_thread::sleep_for(std::chrono::milliseconds(LoadFirstPauseMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(LoadSecondPauseMs));
  if (!link.Write(load.data(), static_cast<uint32_t>(load.size())))
    return link.Finish(ResultTransmitError);
  // Silence (the link's read time-out) ends the transfer; so does a full
  // buffer. Without a buffer nothing is read.
  uint32_t count = 0;
  if (request.buffer != nullptr && request.capacity > 0) {
    const uint32_t capacity = static_cast<uint32_t>(request.capacity);
    uint8_t byte = 0;
    while (count < capacity && link.ReadByte(byte)) request.buffer[count++] = byte;
  }
  request.count = count;
  return link.Finish(ResultOk);
}

}  // namespace varnalux
