// How a virtual printer is made and how it may be told to misbehave: what
// both the printer's public face and its command core need, without the rest
// of the public class.
#pragma once

#include <cstdint>
#include <string>

namespace varnalux::sim {

// Ways to misbehave, for testing how the tool copes.
enum class Fault {
  None,
  Silent,         // take every byte, answer nothing
  Malformed,      // framed answers with a wrong length field
  SplitAnswers,   // every answer written in small pieces with pauses
  DropMidAnswer,  // close the connection halfway through the next answer
  DropOnReceive,  // close the connection as soon as any byte arrives
  Reset,          // answer any byte with a TCP reset (a serial line just drops)
};

struct PrinterOptions {
  int dpi = 203;              // 203, 300 or 600
  bool knowsReprint = true;   // older models answer no REPRINT ...
  bool knowsShiftX = true;    // ... or no SHIFTX / SHIFTXBASE
  uint8_t statusByte = 0x00;  // answer to ESC ! ?
  bool hasCard = true;        // without a card, the CARD reports go unanswered
};

// Fault by name: "none", "silent", "malformed", "split", "drop-mid",
// "drop-on-receive", "reset"; false for another name.
bool FaultFromName(const std::string& name, Fault& fault);
const char* FaultName(Fault fault);

}  // namespace varnalux::sim
