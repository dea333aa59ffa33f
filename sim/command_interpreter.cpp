#include "sim/command_interpreter.h"

#include <algorithm>

namespace varnalux::sim {

namespace {
constexpr uint8_t kEsc = 0x1B;
}

CommandInterpreter::CommandInterpreter(PrinterCore& core) : core_(core) {}

CommandInterpreter::~CommandInterpreter() { Finish(); }

void CommandInterpreter::Feed(const uint8_t* data, size_t count,
                              std::vector<std::string>& answers) {
  size_t i = 0;
  while (i < count) {
    switch (mode_) {
      case Mode::Download: i += TakeDownload(data + i, count - i); break;
      case Mode::Dump: i += TakeDump(data + i, count - i); break;
      case Mode::Escape:
        if (data[i] == '!') {
          mode_ = Mode::EscapeBang;
        } else {
          // Not one of the printer's escape sequences: the bytes are text.
          mode_ = Mode::Line;
          line_.push_back(static_cast<char>(kEsc));
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
        if (data[i] == kEsc)
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
    if (static_cast<size_t>(size) > DownloadMax) return false;
    downloadDevice_ = device;
    downloadName_ = name;
    downloadHeader_ = line_;
    downloadLeft_ = static_cast<size_t>(size);
    downloadBytes_.clear();
    downloadBytes_.reserve(downloadLeft_);
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
    core_.dumpText.clear();
    if (header.save) core_.memory.Put(header.device, header.name, "");
    dump_ = header;
    dumpBytes_.clear();
    dumpTaken_ = 0;
    line_.clear();
    mode_ = Mode::Dump;
    return true;
  }
  return false;
}

size_t CommandInterpreter::TakeDownload(const uint8_t* data, size_t count) {
  size_t take = std::min(count, downloadLeft_);
  if (take > 0) downloadBytes_.append(reinterpret_cast<const char*>(data), take);
  downloadLeft_ -= take;
  if (downloadLeft_ == 0) {
    std::lock_guard<std::mutex> lock(core_.mu);
    if (core_.memory.Put(downloadDevice_, downloadName_, downloadBytes_))
      core_.NoteCommand(downloadHeader_);
    else
      core_.NoteIgnored(downloadHeader_ + " (no room)");
    downloadBytes_.clear();
    downloadBytes_.shrink_to_fit();
    mode_ = Mode::Line;
  }
  return take;
}

size_t CommandInterpreter::TakeDump(const uint8_t* data, size_t count) {
  size_t take = count;
  if (dump_.limit > 0) take = std::min(take, static_cast<size_t>(dump_.limit) - dumpTaken_);
  dumpTaken_ += take;
  size_t room = DumpKeptMax - std::min(dumpBytes_.size(), DumpKeptMax);
  dumpBytes_.append(reinterpret_cast<const char*>(data), std::min(take, room));
  {
    std::lock_guard<std::mutex> lock(core_.mu);
    core_.dumpText = dumpBytes_;
  }
  if (dump_.limit > 0 && dumpTaken_ >= static_cast<size_t>(dump_.limit)) EndDump();
  return take;
}

void CommandInterpreter::EndDump() {
  std::lock_guard<std::mutex> lock(core_.mu);
  core_.dumpText = dumpBytes_;
  if (dump_.save && !core_.memory.Put(dump_.device, dump_.name, dumpBytes_))
    core_.NoteIgnored("dump text not saved: no room");
  dumpBytes_.clear();
  mode_ = Mode::Line;
}

void CommandInterpreter::Finish() {
  if (mode_ == Mode::Dump) EndDump();
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
