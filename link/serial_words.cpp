#include "link/serial_words.h"

namespace varnalux {

namespace {

struct SerialWord {
  const char* name;
  int32_t SerialSettings::*field;
  const char* values[8];  // null after the last; the index is the field's value
};

constexpr SerialWord SerialWords[] = {
    {"baud",
     &SerialSettings::baudIndex,
     {"2400", "4800", "9600", "19200", "38400", "57600", "115200"}},
    {"data", &SerialSettings::dataBitsIndex, {"7", "8"}},
    {"parity", &SerialSettings::parityIndex, {"none", "odd", "even"}},
    {"stop", &SerialSettings::stopBitsIndex, {"1", "1.5", "2"}},
    {"hw", &SerialSettings::hwHandshakeIndex, {"none", "rts", "rtscts"}},
    {"sw", &SerialSettings::swHandshakeIndex, {"none", "xonxoff"}},
};

const SerialWord* Find(std::string_view name) {
  for (const SerialWord& word : SerialWords)
    if (name == word.name) return &word;
  return nullptr;
}

}  // namespace

bool IsSerialWord(std::string_view name) { return Find(name) != nullptr; }

bool SetSerialWord(std::string_view name, std::string_view value, SerialSettings& serial) {
  const SerialWord* word = Find(name);
  if (word == nullptr) return false;
  for (int i = 0; i < 8 && word->values[i] != nullptr; ++i) {
    if (value != word->values[i]) continue;
    serial.*word->field = i;
    return true;
  }
  return false;
}

}  // namespace varnalux
