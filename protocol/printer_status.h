// The printer's status byte, as the status query (ESC ! ?) answers it, and
// the record of its flags that the window shows and the configuration file
// keeps.
#pragma once

#include <cstdint>

namespace varnalux {

struct PrinterStatus {
  uint8_t headOpen = 0;     // bit 0
  uint8_t paperJam = 0;     // bit 1
  uint8_t outOfPaper = 0;   // bit 2
  uint8_t outOfRibbon = 0;  // bit 3
  uint8_t pause = 0;        // bit 4
  uint8_t printing = 0;     // bit 5
  uint8_t bit6 = 0;         // bit 6: stored, shown nowhere
  uint8_t otherError = 0;   // bit 7
};

// Flag i of the record is bit i of the status byte.
inline void StatusFromByte(uint8_t byte, PrinterStatus& s) {
  uint8_t* flags[8] = {&s.headOpen, &s.paperJam, &s.outOfPaper, &s.outOfRibbon,
                       &s.pause,    &s.printing, &s.bit6,       &s.otherError};
  for (int i = 0; i < 8; ++i) *flags[i] = (byte >> i) & 1;
}

inline uint8_t StatusToByte(const PrinterStatus& s) {
  const uint8_t flags[8] = {s.headOpen, s.paperJam, s.outOfPaper, s.outOfRibbon,
                            s.pause,    s.printing, s.bit6,       s.otherError};
  uint8_t byte = 0;
  for (int i = 0; i < 8; ++i) byte |= static_cast<uint8_t>((flags[i] != 0) << i);
  return byte;
}

// Lit when flags 0..5 and 7 are all 0; bit 6 does not count.
inline bool StatusReady(const PrinterStatus& s) {
  return !(s.headOpen || s.paperJam || s.outOfPaper || s.outOfRibbon || s.pause || s.printing ||
           s.otherError);
}

}  // namespace varnalux
