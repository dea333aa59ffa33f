// One connection's traffic, whatever the transport: records what arrives,
// applies the faults, feeds the interpreter and writes its answers back.
#pragma once

#include <cstdint>
#include <string>

#include "sim/command_interpreter.h"
#include "sim/printer_core.h"

namespace varnalux::sim {

// The way back to the sender.
class AnswerSink {
 public:
  virtual ~AnswerSink() = default;
  // Writes all bytes (bounded wait); false when the sender is gone.
  virtual bool Write(const uint8_t* data, size_t count) = 0;
};

inline constexpr int SplitPauseMs = 40;
inline constexpr int AnswerWriteTimeoutMs = 3000;

class Session {
 public:
  explicit Session(PrinterCore& core);
  // Handles bytes that arrived; false when the connection is to be dropped.
  bool Incoming(const uint8_t* data, size_t count, AnswerSink& sink);
  // The connection ended.
  void Finish() { interpreter_.Finish(); }
  // The last drop was for the reset fault: a socket is to be closed with a
  // reset rather than an orderly end.
  bool ResetWanted() const { return resetWanted_; }

 private:
  bool WriteAnswer(const std::string& answer, AnswerSink& sink);
  PrinterCore& core_;
  CommandInterpreter interpreter_;
  bool resetWanted_ = false;
};

}  // namespace varnalux::sim
