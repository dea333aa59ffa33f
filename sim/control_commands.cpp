// The commands of the control channel (also reachable through
// VirtualPrinter::Control and the program's standard input).
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "sim/command_parse.h"
#include "sim/control_channel.h"
#include "sim/file_sums.h"
#include "sim/virtual_printer.h"

namespace varnalux::sim {

namespace {

const char Help[] =
    "Control commands (one a line; replies end in a line OK or ERROR <reason>):\n"
    "  status [BYTE]            show or set the status byte (0x81, 129)\n"
    "  fault [NAME]             show or set the fault: none, silent, malformed,\n"
    "                           split, drop-mid, drop-on-receive, reset\n"
    "  received                 hex dump of the bytes received\n"
    "  text                     the bytes received as text (\\xNN for others)\n"
    "  count                    number of bytes received\n"
    "  clear                    forget the received bytes and the command list\n"
    "  commands                 recognised commands, one a line\n"
    "  ignored                  lines that were not understood\n"
    "  label                    the last label program (CLS ... PRINT)\n"
    "  dump                     the text of the running or last dump\n"
    "  enddump                  end the running dump (saved, or printed)\n"
    "  report KEY               the answer to DIAGNOSTIC REPORT KEY\n"
    "  override KEY VALUE       answer VALUE (rest of the line) to KEY\n"
    "  forget KEY               give no answer to KEY (e.g. NETNAME, MACADDR)\n"
    "  remember KEY             answer KEY from the printer's state again\n"
    "  files [dram|flash|card]  file names of a device (all when omitted)\n"
    "  put DEVICE NAME TEXT     store a file with TEXT as its contents\n"
    "  sums [dram|flash|card]   DEVICE NAME SIZE CRC32 of each stored file\n"
    "  space                    physical and free KB of each device\n"
    "  fill DEVICE              take all free space of a device (KILL keeps it)\n"
    "  cat NAME                 a file's contents as text\n"
    "  exec LINE                run a command line as if received\n"
    "  counters                 labels, self tests, resets, calibrations ...\n"
    "  udp                      the UDP datagrams received, one a line: command,\n"
    "                           selector (- for none), size in bytes, target MAC\n"
    "  help                     this text\n"
    "  quit                     close the control connection\n";

int DeviceFromWord(const std::string& word) {
  std::string w = Upper(word);
  if (w == "DRAM" || w == "0") return MemoryDram;
  if (w == "FLASH" || w == "1") return MemoryFlash;
  if (w == "CARD" || w == "2") return MemoryCard;
  return -1;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n' || (c >= 0x20 && c < 0x7F && c != '\\')) {
      out.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (!out.empty() && out.back() != '\n') out.push_back('\n');
  return out;
}

std::string HexDump(const std::vector<uint8_t>& bytes) {
  std::string out;
  char text[32];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) {
      snprintf(text, sizeof text, "%08zX:", i);
      out += text;
    }
    snprintf(text, sizeof text, " %02X", bytes[i]);
    out += text;
    if (i % 16 == 15 || i + 1 == bytes.size()) out += "\n";
  }
  return out;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += Printable(l);
  return out;
}

// One line per datagram: the command at offset 8, the selector (byte 32 of a
// read-setting request, byte 34 of a write-setting request), the size and
// the MAC the datagram is addressed to (offset 22).
std::string UdpLines(const std::vector<std::vector<uint8_t>>& datagrams) {
  std::string out;
  for (const std::vector<uint8_t>& d : datagrams) {
    const int command = d.size() >= 10 ? (d[8] << 8 | d[9]) : -1;
    int selector = -1;
    if (command == 3 && d.size() > 32) selector = d[32];
    if (command == 4 && d.size() > 34) selector = d[34];
    std::string mac = "-";
    if (d.size() >= 28) {
      char text[18];
      snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", d[22], d[23], d[24], d[25],
               d[26], d[27]);
      mac = text;
    }
    out += (command < 0 ? std::string("-") : std::to_string(command)) + " " +
           (selector < 0 ? std::string("-") : std::to_string(selector)) + " " +
           std::to_string(d.size()) + " " + mac + "\n";
  }
  return out;
}

std::string Ok(const std::string& body = {}) { return body + "OK\n"; }
std::string Error(const std::string& why) { return "ERROR " + why + "\n"; }

// Splits off the first word of text; rest is what follows it, trimmed.
std::string FirstWord(const std::string& text, std::string& rest) {
  std::string t = Trim(text);
  size_t space = t.find_first_of(" \t");
  if (space == std::string::npos) {
    rest.clear();
    return t;
  }
  rest = Trim(t.substr(space + 1));
  return t.substr(0, space);
}

std::string StatusCommand(VirtualPrinter& printer, const std::string& rest) {
  if (!rest.empty()) {
    char* end = nullptr;
    long v = strtol(rest.c_str(), &end, 0);
    if (end == rest.c_str() || *end != '\0' || v < 0 || v > 255) return Error("bad status byte");
    printer.SetStatusByte(static_cast<uint8_t>(v));
  }
  char text[16];
  snprintf(text, sizeof text, "0x%02X\n", printer.StatusByte());
  return Ok(text);
}

std::string FaultCommand(VirtualPrinter& printer, const std::string& rest) {
  if (!rest.empty()) {
    Fault f;
    if (!FaultFromName(rest, f)) return Error("unknown fault");
    printer.SetFault(f);
  }
  return Ok(std::string(FaultName(printer.CurrentFault())) + "\n");
}

std::string ClearCommand(VirtualPrinter& printer, const std::string&) {
  printer.ClearReceived();
  printer.ClearCommands();
  return Ok();
}

// The report commands: the word, then a key.
std::string ReportCommand(const std::string& word, VirtualPrinter& printer,
                          const std::string& rest) {
  std::string value;
  std::string key = Upper(FirstWord(rest, value));
  if (key.empty()) return Error("key missing");
  if (word == "FORGET") {
    printer.ForgetReport(key);
    return Ok();
  }
  if (word == "REMEMBER") {
    printer.RestoreReport(key);
    return Ok();
  }
  if (word == "OVERRIDE") {
    printer.OverrideReport(key, value);
    return Ok();
  }
  bool found = false;
  std::string payload = printer.ReportValue(key, found);
  return found ? Ok(Printable(payload)) : Error("no answer");
}

std::string FilesCommand(VirtualPrinter& printer, const std::string& rest) {
  if (rest.empty()) {
    std::string out;
    for (int d = MemoryDram; d <= MemoryCard; ++d)
      for (const std::string& n : printer.FileNames(d))
        out += std::string(d == MemoryDram    ? "DRAM "
                           : d == MemoryFlash ? "FLASH "
                                              : "CARD ") +
               n + "\n";
    return Ok(out);
  }
  int device = DeviceFromWord(rest);
  if (device < 0) return Error("unknown device");
  return Ok(Lines(printer.FileNames(device)));
}

std::string PutCommand(VirtualPrinter& printer, const std::string& rest) {
  std::string afterDevice, contents;
  int device = DeviceFromWord(FirstWord(rest, afterDevice));
  std::string name = FirstWord(afterDevice, contents);
  if (device < 0 || name.empty()) return Error("usage: put DEVICE NAME TEXT");
  return printer.PutFileOn(device, name, contents) ? Ok() : Error("no room");
}

std::string SumsCommand(VirtualPrinter& printer, const std::string& rest) {
  int device = rest.empty() ? -1 : DeviceFromWord(rest);
  if (!rest.empty() && device < 0) return Error("unknown device");
  return Ok(FileSumLines(printer, device));
}

std::string SpaceCommand(VirtualPrinter& printer, const std::string&) {
  std::string out;
  for (const char* key : {"DRAM", "FLASH", "CARD"}) {
    bool foundPhysical = false, foundFree = false;
    std::string physical = printer.ReportValue(std::string(1, key[0]) + "PHYSPACE", foundPhysical);
    std::string free = printer.ReportValue(std::string(1, key[0]) + "FREESPACE", foundFree);
    out += std::string(key) + " " + (foundPhysical ? physical : "-") + " " +
           (foundFree ? free : "-") + "\n";
  }
  return Ok(out);
}

std::string FillCommand(VirtualPrinter& printer, const std::string& rest) {
  int device = DeviceFromWord(rest);
  if (device < 0) return Error("unknown device");
  printer.FillDevice(device);
  return Ok();
}

std::string CatCommand(VirtualPrinter& printer, const std::string& rest) {
  std::string bytes;
  if (!printer.GetFile(rest, bytes)) return Error("no such file");
  return Ok(Printable(bytes));
}

std::string CountersCommand(VirtualPrinter& printer, const std::string&) {
  std::ostringstream out;
  out << "labels " << printer.LabelsPrinted() << "\nselftests " << printer.SelfTests()
      << "\nresets " << printer.Resets() << "\ncalibrations " << printer.Calibrations()
      << "\nignoreautobas " << (printer.IgnoreAutoBasSeen() ? 1 : 0) << "\nconnections "
      << printer.ConnectionCount() << "\n";
  return Ok(out.str());
}

// A control command: its word (upper case) and what answers it, given the
// rest of the line.
struct ControlCommand {
  const char* word;
  std::string (*run)(VirtualPrinter& printer, const std::string& rest);
};

const ControlCommand Commands[] = {
    {"HELP", [](VirtualPrinter&, const std::string&) { return Ok(Help); }},
    {"STATUS", StatusCommand},
    {"FAULT", FaultCommand},
    {"RECEIVED", [](VirtualPrinter& p, const std::string&) { return Ok(HexDump(p.Received())); }},
    {"TEXT", [](VirtualPrinter& p, const std::string&) { return Ok(Printable(p.ReceivedText())); }},
    {"COUNT", [](VirtualPrinter& p,
                 const std::string&) { return Ok(std::to_string(p.Received().size()) + "\n"); }},
    {"CLEAR", ClearCommand},
    {"COMMANDS", [](VirtualPrinter& p, const std::string&) { return Ok(Lines(p.Commands())); }},
    {"IGNORED", [](VirtualPrinter& p, const std::string&) { return Ok(Lines(p.IgnoredLines())); }},
    {"LABEL",
     [](VirtualPrinter& p, const std::string&) { return Ok(Printable(p.LastLabelProgram())); }},
    {"DUMP", [](VirtualPrinter& p, const std::string&) { return Ok(Printable(p.DumpTextKept())); }},
    {"ENDDUMP", [](VirtualPrinter& p,
                   const std::string&) { return p.EndDump() ? Ok() : Error("no dump running"); }},
    {"REPORT",
     [](VirtualPrinter& p, const std::string& rest) { return ReportCommand("REPORT", p, rest); }},
    {"FORGET",
     [](VirtualPrinter& p, const std::string& rest) { return ReportCommand("FORGET", p, rest); }},
    {"OVERRIDE",
     [](VirtualPrinter& p, const std::string& rest) { return ReportCommand("OVERRIDE", p, rest); }},
    {"REMEMBER",
     [](VirtualPrinter& p, const std::string& rest) { return ReportCommand("REMEMBER", p, rest); }},
    {"FILES", FilesCommand},
    {"PUT", PutCommand},
    {"SUMS", SumsCommand},
    {"SPACE", SpaceCommand},
    {"FILL", FillCommand},
    {"CAT", CatCommand},
    {"EXEC",
     [](VirtualPrinter& p, const std::string& rest) { return Ok(Printable(p.Execute(rest))); }},
    {"UDP", [](VirtualPrinter& p, const std::string&) { return Ok(UdpLines(p.UdpReceived())); }},
    {"COUNTERS", CountersCommand},
};

}  // namespace

const char* VirtualPrinter::ControlHelp() { return Help; }

std::string VirtualPrinter::Control(const std::string& line) {
  bool close = false;
  return RunControlCommand(*this, line, close);
}

std::string RunControlCommand(VirtualPrinter& printer, const std::string& line, bool& close) {
  close = false;
  std::string rest;
  std::string word = Upper(FirstWord(line, rest));
  if (word.empty()) return Ok();
  if (word == "QUIT" || word == "EXIT") {
    close = true;
    return Ok();
  }
  for (const ControlCommand& command : Commands)
    if (word == command.word) return command.run(printer, rest);
  return Error("unknown command (try help)");
}

}  // namespace varnalux::sim
