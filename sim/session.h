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

 private:
  bool WriteAnswer(const std::string& answer, AnswerSink& sink);
  PrinterCore& core_;
  CommandInterpreter interpreter_;
};

}  // namespace varnalux::sim
