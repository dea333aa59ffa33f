// Texts that came from a printer, made safe to print: for a terminal, and
// as JSON strings.
#pragma once

#include <string>

namespace varnalux {

// Control bytes as \xNN, the rest as it is.
std::string PlainText(const std::string& s);

// A quoted JSON string; bytes from 0x80 up are taken as Latin-1 characters,
// so any printer text gives valid JSON.
std::string JsonString(const std::string& s);

}  // namespace varnalux
