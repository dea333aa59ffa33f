// The serial settings by word, as a technician types them on a command line
// or in a target: baud, data, parity, stop, hw and sw, each with its words
// in the order of the setting's index (baud 2400 ... 115200, data 7|8,
// parity none|odd|even, stop 1|1.5|2, hw none|rts|rtscts, sw none|xonxoff).
#pragma once

#include <string_view>

#include "link/link_settings.h"

namespace varnalux {

// True when name is one of the six settings.
bool IsSerialWord(std::string_view name);

// Sets the setting name to the word value; false for an unknown name or a
// word the setting does not take (serial is then unchanged).
bool SetSerialWord(std::string_view name, std::string_view value, SerialSettings& serial);

}  // namespace varnalux
