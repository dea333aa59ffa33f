#include "sim/command_interpreter.h"

#include <algorithm>

namespace varnalux::sim {

namespace {
constexpr uint8_t Esc = 0x1B;
}

CommandInterpreter::CommandInterpreter(PrinterCore& core) : core_(core) {}

CommandInterpreter::~CommandInterpreter() { Finish(); }

void CommandInterpreter::Feed(const uint8_t* data, size_t count,
                              std::vector<std::string>& answers) {
  size_t i = 0;
  for (;;) {
    if (!replay_.empty()) {
      // Bytes that came before data[i] but after the end of a dump. Each
      // nested replay is shorter than the one it came from.
      std::string replay;
      replay.swap(replay_);
      Feed(reinterpret_cast<const uint8_t*>(replay.data()), replay.size(), answers);
      continue;
    }
    if (i >= count) break;
    switch (mode_) {
      case Mode::Download: i += TakeDownload(data + i, count - i); break;
      case Mode::Dump: i += TakeDump(data + i, count - i, answers); break;
      case Mode::Escape:
        if (data[i] == '!') {
          mode_ = Mode::EscapeBang;
        } else {
          // Not one of the printer's escape sequences: the bytes are text.
          mode_ = Mode::Line;
          line_.push_back(static_cast<char>(Esc));
          TakeLineByte(data[i], answers);
        }
        ++i;
        break;
      case Mode::EscapeBang:
        mode_ = Mode::Line;
        RunEscape(data[i], answers);
        ++i;
        break;
      case Mode::Line:
        // A dump started elsewhere takes this connection's bytes too.
        if (core_.dumpActive && EnterDump()) break;
        if (data[i] == Esc)
          mode_ = Mode::Escape;
        else
          TakeLineByte(data[i], answers);
        ++i;
        break;
    }
  }
}

void CommandInterpreter::TakeLineByte(uint8_t byte, std::vector<std::string>& answers) {
  if (byte == '\n' || byte == '\r') {
    EndLine(answers);
    return;
  }
  if (lineTooLong_) return;
  if (line_.size() >= LineMax) {
    lineTooLong_ = true;
    line_.clear();
    return;
  }
  line_.push_back(static_cast<char>(byte));
  if (byte == ',') TryRawHeader();
}

void CommandInterpreter::EndLine(std::vector<std::string>& answers) {
  if (lineTooLong_) {
    lineTooLong_ = false;
    std::lock_guard<std::mutex> lock(core_.mu);
    core_.NoteIgnored("(line too long)");
    return;
  }
  if (line_.empty()) return;
  std::string line;
  line.swap(line_);
  std::lock_guard<std::mutex> lock(core_.mu);
  ExecuteLine(core_, label_, line, answers);
}

void CommandInterpreter::RunEscape(uint8_t code, std::vector<std::string>& answers) {
  std::lock_guard<std::mutex> lock(core_.mu);
  switch (code) {
    case '?':
      core_.NoteCommand("ESC ! ?");
      EmitRaw(core_, answers, std::string(1, static_cast<char>(core_.status)));
      break;
    case 'R':
      // Reset: whatever was half received is gone, the settings stay.
      core_.NoteCommand("ESC ! R");
      ++core_.resets;
      line_.clear();
      lineTooLong_ = false;
      label_ = LabelCapture{};
      break;
    case 'C':
      core_.NoteCommand("ESC ! C");
      core_.ignoreAutoBas = true;
      break;
    case 'P':
      core_.NoteCommand("ESC ! P");
      core_.status |= 0x10;
      break;
    case 'O':
      core_.NoteCommand("ESC ! O");
      core_.status &= static_cast<uint8_t>(~0x10);
      break;
    default: core_.NoteIgnored("ESC ! " + std::string(1, static_cast<char>(code))); break;
  }
}

// DOWNLOAD and DUMP_TEXT headers end in a comma, not a line end: the bytes
// after them are data.
bool CommandInterpreter::TryRawHeader() {
  if (line_.size() < 9) return false;
  std::string head = Upper(line_.substr(0, 9));
  if (head == "DOWNLOAD ") {
    int device = 0;
    std::string name;
    long size = 0;
    if (!MatchDownloadHeader(line_, device, name, size)) return false;
    // A download larger than the printer can hold is still read to its end
    // (its data must not be taken for commands) and then refused.
    downloadDiscard_ = static_cast<size_t>(size) > DownloadMax;
    downloadDevice_ = device;
    downloadName_ = name;
    downloadHeader_ = line_;
    downloadLeft_ = static_cast<size_t>(size);
    downloadBytes_.clear();
    if (!downloadDiscard_) downloadBytes_.reserve(downloadLeft_);
    line_.clear();
    mode_ = Mode::Download;
    if (downloadLeft_ == 0) TakeDownload(nullptr, 0);
    return true;
  }
  if (head == "DUMP_TEXT") {
    DumpHeader header;
    if (!MatchDumpHeader(line_, header)) return false;
    std::lock_guard<std::mutex> lock(core_.mu);
    core_.NoteCommand(line_);
    core_.StartDump(header);
    line_.clear();
    // What follows the header starts a line of the dump.
    dumpSerial_ = core_.dump.serial;
    held_.clear();
    lineIsText_ = false;
    dumpEscape_ = 0;
    mode_ = Mode::Dump;
    return true;
  }
  return false;
}

size_t CommandInterpreter::TakeDownload(const uint8_t* data, size_t count) {
  size_t take = std::min(count, downloadLeft_);
  if (take > 0 && !downloadDiscard_)
    downloadBytes_.append(reinterpret_cast<const char*>(data), take);
  downloadLeft_ -= take;
  if (downloadLeft_ == 0) {
    std::lock_guard<std::mutex> lock(core_.mu);
    if (downloadDiscard_)
      core_.NoteIgnored(downloadHeader_ + " (too large)");
    else if (core_.memory.Put(downloadDevice_, downloadName_, downloadBytes_))
      core_.NoteCommand(downloadHeader_);
    else
      core_.NoteIgnored(downloadHeader_ + " (no room)");
    downloadBytes_.clear();
    downloadBytes_.shrink_to_fit();
    mode_ = Mode::Line;
  }
  return take;
}

// Takes the connection into the dump another connection started; a partial
// line that came before it is dropped.
bool CommandInterpreter::EnterDump() {
  std::lock_guard<std::mutex> lock(core_.mu);
  if (!core_.dump.active) return false;
  if (!line_.empty() || lineTooLong_) core_.NoteIgnored(line_ + " (cut off by a dump)");
  line_.clear();
  lineTooLong_ = false;
  dumpSerial_ = core_.dump.serial;
  held_.clear();
  lineIsText_ = false;
  dumpEscape_ = 0;
  mode_ = Mode::Dump;
  return true;
}

size_t CommandInterpreter::TakeDump(const uint8_t* data, size_t count,
                                    std::vector<std::string>& answers) {
  std::lock_guard<std::mutex> lock(core_.mu);
  size_t k = 0;
  while (k < count && mode_ == Mode::Dump) {
    if (!core_.dump.active || core_.dump.serial != dumpSerial_) {
      // Ended elsewhere: what this connection held back are commands now.
      replay_ += LeaveDump();
      break;
    }
    char byte = static_cast<char>(data[k]);
    if (dumpEscape_ == 0) {
      ++k;
      if (data[k - 1] == Esc)
        dumpEscape_ = 1;
      else
        DumpContent(byte, answers);
    } else if (dumpEscape_ == 1) {
      dumpEscape_ = 0;
      if (byte == '!') {
        ++k;
        dumpEscape_ = 2;
      } else {
        DumpContent(static_cast<char>(Esc), answers);  // byte is looked at again
      }
    } else {
      dumpEscape_ = 0;
      if (byte == '?') {
        ++k;
        core_.NoteCommand("ESC ! ?");
        EmitRaw(core_, answers, std::string(1, static_cast<char>(core_.status)));
      } else {
        DumpContent(static_cast<char>(Esc), answers);
        DumpContent('!', answers);
      }
    }
  }
  return k;
}

namespace {
// Whether a line start (without line end) may still become a LOAD line.
bool MayBeLoadLine(const std::string& held) {
  if (held.size() > LoadLineMax) return false;
  size_t start = held.find_first_not_of(" \t");
  if (start == std::string::npos) return true;
  static const std::string Word = "LOAD ";
  std::string head = Upper(held.substr(start, Word.size()));
  return Word.compare(0, head.size(), head) == 0;
}
}  // namespace

// One byte of the dump's text (escape sequences sorted out). Expects the
// lock to be held.
void CommandInterpreter::DumpContent(char byte, std::vector<std::string>& answers) {
  if (mode_ != Mode::Dump) {
    replay_.push_back(byte);  // the dump ended before this byte
    return;
  }
  if (byte == '\r' || byte == '\n') {
    if (!lineIsText_ && IsLoadLine(held_)) {
      // The LOAD line ends the dump and is not part of it.
      std::string line;
      line.swap(held_);
      core_.EndDump();
      LeaveDump();
      ExecuteLine(core_, label_, line, answers);
      return;
    }
    std::string bytes;
    bytes.swap(held_);
    bytes.push_back(byte);
    lineIsText_ = false;
    KeepInDump(bytes);
    return;
  }
  if (lineIsText_) {
    KeepInDump(std::string(1, byte));
    return;
  }
  held_.push_back(byte);
  if (!MayBeLoadLine(held_)) {
    std::string bytes;
    bytes.swap(held_);
    lineIsText_ = true;
    KeepInDump(bytes);
  }
}

// Expects the lock to be held. Bytes beyond the dump's limit are commands.
void CommandInterpreter::KeepInDump(const std::string& bytes) {
  size_t took = core_.TakeDumpBytes(bytes.data(), bytes.size());
  if (core_.dump.active) return;
  LeaveDump();
  if (took < bytes.size()) replay_.append(bytes, took, std::string::npos);
}

// Back to commands; gives the bytes held back, in order of arrival.
std::string CommandInterpreter::LeaveDump() {
  std::string rest;
  rest.swap(held_);
  if (dumpEscape_ >= 1) rest.push_back(static_cast<char>(Esc));
  if (dumpEscape_ == 2) rest.push_back('!');
  dumpEscape_ = 0;
  lineIsText_ = false;
  mode_ = Mode::Line;
  return rest;
}

void CommandInterpreter::Finish() {
  if (mode_ == Mode::Dump) {
    // The dump goes on without this connection; what it held back came as
    // dump text (any part beyond the limit is dropped with the connection).
    std::lock_guard<std::mutex> lock(core_.mu);
    bool mine = core_.dump.active && core_.dump.serial == dumpSerial_;
    std::string rest = LeaveDump();
    if (mine) core_.TakeDumpBytes(rest.data(), rest.size());
  }
  replay_.clear();
  if (mode_ == Mode::Download) {
    std::lock_guard<std::mutex> lock(core_.mu);
    core_.NoteIgnored(downloadHeader_ + " (incomplete)");
  }
  mode_ = Mode::Line;
  line_.clear();
  lineTooLong_ = false;
  label_ = LabelCapture{};
  downloadBytes_.clear();
  downloadLeft_ = 0;
}

}  // namespace varnalux::sim
