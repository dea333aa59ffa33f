// The network settings read from a printer as text for people and scripts.
#pragma once

#include <string>

#include "protocol/network_settings.h"

namespace varnalux {

// "name: value" lines for dhcp and the six texts, with the record's field
// names; control bytes as \xNN.
std::string NetSettingsAsText(const NetworkSettings& settings);

// One JSON object of the same fields; dhcp as true or false.
std::string NetSettingsAsJson(const NetworkSettings& settings);

}  // namespace varnalux
