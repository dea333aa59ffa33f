// Turns the byte stream of one connection into commands: three-byte
// escape sequences (answered at once, even inside a line), command lines
// ending in LF (a CR before it, or a bare CR, ends the line as well), the
// sized data of a DOWNLOAD, and the bytes of a running dump. Input may
// arrive split anywhere, down to single bytes.
//
// A dump (DUMP_TEXT PRINT, or DUMP_TEXT SAVE n,[E,]"name",) is the
// printer's, not the connection's: it outlives the connection that started
// it and keeps what arrives on every connection, as it came, until
//  - its byte limit n is reached (the bytes after it are commands again),
//  - a line LOAD [F,|E,]"name" arrives at the start of a line (the start of
//    a connection counts as one): the dump ends without that line, which
//    is then executed, so a dump saved under that name comes back at once,
//  - or the control channel ends it.
// Only ESC ! ? is still answered during a dump; its three bytes are not
// dump text. A line that may still turn out to be a LOAD line is held back
// until its end (or until it cannot be one), then kept.
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
inline constexpr size_t LoadLineMax = 256;        // a longer held line is dump text

class CommandInterpreter {
 public:
  explicit CommandInterpreter(PrinterCore& core);
  ~CommandInterpreter();
  CommandInterpreter(const CommandInterpreter&) = delete;
  CommandInterpreter& operator=(const CommandInterpreter&) = delete;

  // Takes the next bytes of the stream; answers for the sender are
  // appended to answers in order. Does not record the bytes.
  void Feed(const uint8_t* data, size_t count, std::vector<std::string>& answers);
  // The sender went away: an unfinished download and a partial line are
  // dropped; a running dump goes on, with the bytes held back so far.
  void Finish();

  // This connection's bytes go into the running dump.
  bool InDumpMode() const { return mode_ == Mode::Dump; }

 private:
  enum class Mode { Line, Escape, EscapeBang, Download, Dump };

  void TakeLineByte(uint8_t byte, std::vector<std::string>& answers);
  void EndLine(std::vector<std::string>& answers);
  void RunEscape(uint8_t code, std::vector<std::string>& answers);
  bool TryRawHeader();
  size_t TakeDownload(const uint8_t* data, size_t count);
  bool EnterDump();
  size_t TakeDump(const uint8_t* data, size_t count, std::vector<std::string>& answers);
  void DumpContent(char byte, std::vector<std::string>& answers);
  void KeepInDump(const std::string& bytes);
  std::string LeaveDump();

  PrinterCore& core_;
  Mode mode_ = Mode::Line;
  std::string line_;
  bool lineTooLong_ = false;
  LabelCapture label_;

  int downloadDevice_ = 0;
  std::string downloadName_;
  std::string downloadHeader_;
  size_t downloadLeft_ = 0;
  bool downloadDiscard_ = false;  // too large: read to the end, then refused
  std::string downloadBytes_;

  // The dump this connection feeds, as seen from here.
  unsigned dumpSerial_ = 0;
  std::string held_;         // start of a line that may be a LOAD line
  bool lineIsText_ = false;  // the current line cannot be a LOAD line
  int dumpEscape_ = 0;       // 1 after ESC, 2 after ESC !
  std::string replay_;       // bytes after the dump ended, to run as commands
};

}  // namespace varnalux::sim
