// Turns the byte stream of one connection into commands: three-byte
// escape sequences (answered at once, even inside a line), command lines
// ending in LF (a CR before it, or a bare CR, ends the line as well), the
// sized data of a DOWNLOAD, and the dump mode that keeps every byte after
// DUMP_TEXT. Input may arrive split anywhere, down to single bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/command_parse.h"
#include "sim/line_commands.h"
#include "sim/printer_core.h"

namespace varnalux::sim {

inline constexpr size_t LineMax = 64u << 10;      // longer lines are ignored
inline constexpr size_t DownloadMax = 64u << 20;  // larger downloads are refused
inline constexpr size_t DumpKeptMax = 1u << 20;   // dump text beyond this is dropped

class CommandInterpreter {
 public:
  explicit CommandInterpreter(PrinterCore& core);
  ~CommandInterpreter();
  CommandInterpreter(const CommandInterpreter&) = delete;
  CommandInterpreter& operator=(const CommandInterpreter&) = delete;

  // Takes the next bytes of the stream; answers for the sender are
  // appended to answers in order. Does not record the bytes.
  void Feed(const uint8_t* data, size_t count, std::vector<std::string>& answers);
  // The sender went away: a dump ends (and is saved), an unfinished
  // download and a partial line are dropped.
  void Finish();

  bool InDumpMode() const { return mode_ == Mode::Dump; }

 private:
  enum class Mode { Line, Escape, EscapeBang, Download, Dump };

  void TakeLineByte(uint8_t byte, std::vector<std::string>& answers);
  void EndLine(std::vector<std::string>& answers);
  void RunEscape(uint8_t code, std::vector<std::string>& answers);
  bool TryRawHeader();
  size_t TakeDownload(const uint8_t* data, size_t count);
  size_t TakeDump(const uint8_t* data, size_t count);
  void EndDump();

  PrinterCore& core_;
  Mode mode_ = Mode::Line;
  std::string line_;
  bool lineTooLong_ = false;
  LabelCapture label_;

  int downloadDevice_ = 0;
  std::string downloadName_;
  std::string downloadHeader_;
  size_t downloadLeft_ = 0;
  std::string downloadBytes_;

  DumpHeader dump_;
  std::string dumpBytes_;
  size_t dumpTaken_ = 0;
};

}  // namespace varnalux::sim
