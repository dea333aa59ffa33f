#include "protocol/config_writer.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "link/link_session.h"
#include "protocol/report_exchange.h"

namespace varnalux {

namespace {

inline constexpr size_t CommandBufferSize = 1024;

// One command text, built piece by piece into a fixed buffer. Numbers use the
// period whatever the process locale; a text that would overflow is cut (no
// command of the writer comes near the size).
class Command {
 public:
  Command& Text(const char* text) {
    if (text == nullptr) text = "";
    size_t n = strlen(text);
    if (n > CommandBufferSize - 1 - length_) n = CommandBufferSize - 1 - length_;
    memcpy(buffer_ + length_, text, n);
    length_ += n;
    buffer_[length_] = '\0';
    return *this;
  }
  Command& Int(int32_t value) {
    char number[16];
    snprintf(number, sizeof number, "%d", static_cast<int>(value));
    return Text(number);
  }
  Command& Fixed(float value, int digits) {
    char number[400];
    FormatFixed(static_cast<double>(value), digits, number, sizeof number);
    return Text(number);
  }
  Command& Char(char c) {
    const char one[2] = {c, '\0'};
    return Text(one);
  }
  const char* c_str() const { return buffer_; }

 private:
  char buffer_[CommandBufferSize] = {};
  size_t length_ = 0;
};

// The first character of a table entry (only called for indexes inside it).
char FirstChar(const LookupTable& table, int32_t index) { return LookupEntry(table, index)[0]; }

// An index outside its table (a damaged record; the page cannot make one)
// has no name to send, so its command is left out.
bool InTable(const LookupTable& table, int32_t index) {
  return LookupEntry(table, index) != nullptr;
}

const char* OnOff(int32_t value) { return value != 0 ? "ON" : "OFF"; }

using Commands = std::vector<std::string>;

void Add(Commands& out, const Command& command) { out.emplace_back(command.c_str()); }

// Speed, density, paper size and the sensor's gap or black line.
void AddMedia(const PrinterConfig& c, Commands& out) {
  if (c.speedValid) Add(out, Command().Text("SPEED ").Fixed(c.speed, 1).Text("\r\n"));
  if (c.densityValid) Add(out, Command().Text("DENSITY ").Int(c.density).Text("\r\n"));
  if (c.paperWidthValid && c.paperHeightValid)
    Add(out, Command()
                 .Text("SIZE ")
                 .Fixed(c.paperWidth, 2)
                 .Text(" mm,")
                 .Fixed(c.paperHeight, 2)
                 .Text(" mm\r\n"));
  if (!c.sensorModeValid) return;
  bool gapValues = c.gapSizeValid && c.gapOffsetValid;
  const char* word = nullptr;
  if (c.sensorMode == 0 && gapValues) word = "GAP ";
  if (c.sensorMode == 1 && gapValues) word = "BLINE ";
  if (word != nullptr)
    Add(out, Command()
                 .Text(word)
                 .Fixed(c.gapSize, 2)
                 .Text(" mm,")
                 .Fixed(c.gapOffset, 2)
                 .Text(" mm\r\n"));
  if (c.sensorMode == 2) Add(out, Command().Text("GAP 0,0\r\n"));
}

// What happens to a printed label: torn off, peeled or cut.
void AddPrintOut(const PrinterConfig& c, Commands& out) {
  if (!c.printOutValid) return;
  switch (c.printOut) {
    case 0: Add(out, Command().Text("SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER OFF\r\n")); break;
    case 1: Add(out, Command().Text("SET TEAR ON\r\nSET PEEL OFF\r\nSET CUTTER OFF\r\n")); break;
    case 2: Add(out, Command().Text("SET TEAR OFF\r\nSET PEEL ON\r\nSET CUTTER OFF\r\n")); break;
    case 3: {
      int32_t pieces = c.cutterPieceValid && c.cutterPiece != 0 ? c.cutterPiece : 1;
      Add(out,
          Command().Text("SET TEAR OFF\r\nSET PEEL OFF\r\nSET CUTTER ").Int(pieces).Text("\r\n"));
      break;
    }
    default: break;  // no post-print command for other values
  }
}

// Where the label is printed: reference, direction, offset and shift.
void AddPlacement(const PrinterConfig& c, Commands& out) {
  if (c.referenceXValid && c.referenceYValid)
    Add(out,
        Command().Text("REFERENCE ").Int(c.referenceX).Char(',').Int(c.referenceY).Text("\r\n"));
  if (c.directionValid) {
    if (c.mirrorValid)
      Add(out, Command().Text("DIRECTION ").Int(c.direction).Char(',').Int(c.mirror).Text("\r\n"));
    else
      Add(out, Command().Text("DIRECTION ").Int(c.direction).Text("\r\n"));
  }
  if (c.offsetValid) Add(out, Command().Text("OFFSET ").Int(c.offset).Text(" dot\r\n"));
  if (c.shiftXValid)
    Add(out, Command()
                 .Text("SHIFT ")
                 .Int(c.shiftX)
                 .Char(',')
                 .Int(c.shiftValid ? c.shift : 0)
                 .Text("\r\n"));
  else if (c.shiftValid)
    Add(out, Command().Text("SHIFT ").Int(c.shift).Text("\r\n"));
}

// Ribbon, code page, country, head, reprint, sensor intensities and the
// serial port.
void AddSettings(const PrinterConfig& c, Commands& out) {
  if (c.ribbonValid) Add(out, Command().Text("SET RIBBON ").Text(OnOff(c.ribbon)).Text("\r\n"));
  if (c.codePageValid && InTable(CodePageTable, c.codePage))
    Add(out, Command().Text("CODEPAGE ").Text(LookupEntry(CodePageTable, c.codePage)).Text("\r\n"));
  if (c.countryValid && InTable(CountryTable, c.country))
    Add(out, Command().Text("COUNTRY ").Text(LookupEntry(CountryTable, c.country)).Text("\r\n"));
  if (c.headValid) Add(out, Command().Text("SET HEAD ").Text(OnOff(c.head)).Text("\r\n"));
  if (c.reprintValid) Add(out, Command().Text("SET REPRINT ").Text(OnOff(c.reprint)).Text("\r\n"));
  if (c.gapIntenValid) Add(out, Command().Text("SET GAP ").Int(c.gapInten).Text("\r\n"));
  if (c.blineIntenValid) Add(out, Command().Text("SET GAP ").Int(c.blineInten).Text("\r\n"));
  if (c.conIntenValid) Add(out, Command().Text("SET GAP ").Int(c.conInten).Text("\r\n"));
  if (c.baudRateValid && c.dataBitsValid && c.parityValid && c.stopBitsValid &&
      InTable(BaudCodeTable, c.baudRate) && InTable(ParityTable, c.parity) &&
      InTable(DataBitTable, c.dataBits) && InTable(StopBitTable, c.stopBits))
    Add(out, Command()
                 .Text("SET COM1 ")
                 .Text(LookupEntry(BaudCodeTable, c.baudRate))
                 .Char(',')
                 .Char(FirstChar(ParityTable, c.parity))
                 .Char(',')
                 .Char(FirstChar(DataBitTable, c.dataBits))
                 .Char(',')
                 .Char(FirstChar(StopBitTable, c.stopBits))
                 .Text("\r\n"));
}

// The commands of a write record, in the order they are sent. Calls send for
// each one; stops at the first send that fails and returns its code.
template <typename Send>
ResultCode ForEachCommand(const PrinterConfig& c, Send send) {
  Commands commands;
  AddMedia(c, commands);
  AddPrintOut(c, commands);
  AddPlacement(c, commands);
  AddSettings(c, commands);
  for (const std::string& command : commands)
    if (ResultCode r = send(command.c_str()); r != ResultOk) return r;
  return ResultOk;
}

}  // namespace

std::string ConfigCommandText(const PrinterConfig& config) {
  std::string all;
  ForEachCommand(config, [&](const char* text) {
    all += text;
    return ResultOk;
  });
  return all;
}

ResultCode WriteConfig(InterfaceKind kind, const PrinterConfig& config) {
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  ResultCode code = ForEachCommand(
      config, [&](const char* text) { return SendCommand(link, text); });
  return link.Finish(code);
}

}  // namespace varnalux
