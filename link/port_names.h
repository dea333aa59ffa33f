// Which device a port name such as "COM7" or "LPT2" stands for.
//
// A name is looked up in this order:
//   1. the environment variable VARNALUX_COM7 (or VARNALUX_LPT2, ...);
//   2. a line "COM7 = /dev/ttyUSB0" in the mapping file
//      $VARNALUX_PORTS_FILE, else $XDG_CONFIG_HOME/varnalux/ports.conf,
//      else ~/.config/varnalux/ports.conf (read only; '#' starts a comment);
//   3. the built-in table: COM1..COM4 -> /dev/ttyS0..3,
//      COM5..COM12 -> /dev/ttyUSB0..7, COM13..COM20 -> /dev/ttyACM0..7,
//      COM21..COM30 -> /dev/ttyS4..13; LPT1..LPT4 -> /dev/lp0..3.
// A name that starts with '/' is a device path and used as it is.
#pragma once

#include <string>

namespace varnalux {

inline constexpr int ComPortCount = 30;
inline constexpr int LptPortCount = 4;

// The device path for a port name; empty when the name is neither a known
// COM/LPT name nor a path.
std::string ResolvePortDevice(const char* portName);
// Where the mapping came from: "environment", "mapping file" or "built-in".
std::string PortMappingSource(const char* portName);

}  // namespace varnalux
