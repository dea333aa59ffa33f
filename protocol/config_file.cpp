#include "protocol/config_file.h"

#include <cstring>

#include "base/atomic_file.h"
#include "base/input_file.h"

namespace varnalux {

namespace {

enum class Slot { Text, Flag, Float, Int };

struct ImageSlot {
  Slot kind;
  size_t member;  // offset of the field in PrinterConfig
  size_t size;    // bytes in the image
};

#define VARNALUX_TEXT(f) \
  { Slot::Text, offsetof(PrinterConfig, f), sizeof(PrinterConfig::f) }
#define VARNALUX_FLAG(f) \
  { Slot::Flag, offsetof(PrinterConfig, f), 1 }
#define VARNALUX_F32(f) \
  { Slot::Float, offsetof(PrinterConfig, f), 4 }
#define VARNALUX_I32(f) \
  { Slot::Int, offsetof(PrinterConfig, f), 4 }
#define VARNALUX_PAIR_F(f) VARNALUX_FLAG(f##Valid), VARNALUX_F32(f)
#define VARNALUX_PAIR_I(f) VARNALUX_FLAG(f##Valid), VARNALUX_I32(f)

// The record's fields in image order.
constexpr ImageSlot Slots[] = {
    VARNALUX_TEXT(version),
    VARNALUX_TEXT(milage),
    VARNALUX_TEXT(checksum),
    VARNALUX_FLAG(dpiValid),
    VARNALUX_F32(dpi),
    VARNALUX_F32(dotsPerMm),
    VARNALUX_PAIR_F(speed),
    VARNALUX_PAIR_I(density),
    VARNALUX_PAIR_I(densityBase),
    VARNALUX_PAIR_F(paperWidth),
    VARNALUX_PAIR_F(paperHeight),
    VARNALUX_PAIR_I(sensorMode),
    VARNALUX_PAIR_F(gapSize),
    VARNALUX_PAIR_F(gapOffset),
    VARNALUX_PAIR_I(printOut),
    VARNALUX_PAIR_I(cutterPiece),
    VARNALUX_PAIR_I(referenceX),
    VARNALUX_PAIR_I(referenceY),
    VARNALUX_PAIR_I(direction),
    VARNALUX_PAIR_I(mirror),
    VARNALUX_PAIR_I(offset),
    VARNALUX_PAIR_I(offsetBase),
    VARNALUX_PAIR_I(shift),
    VARNALUX_PAIR_I(shiftBase),
    VARNALUX_PAIR_I(shiftX),
    VARNALUX_PAIR_I(shiftXBase),
    VARNALUX_PAIR_I(ribbon),
    VARNALUX_PAIR_I(codePage),
    VARNALUX_PAIR_I(country),
    VARNALUX_PAIR_I(head),
    VARNALUX_PAIR_I(reprint),
    VARNALUX_PAIR_I(gapInten),
    VARNALUX_PAIR_I(blineInten),
    VARNALUX_PAIR_I(conInten),
    VARNALUX_PAIR_I(baudRate),
    VARNALUX_PAIR_I(dataBits),
    VARNALUX_PAIR_I(parity),
    VARNALUX_PAIR_I(stopBits),
};

#undef VARNALUX_TEXT
#undef VARNALUX_FLAG
#undef VARNALUX_F32
#undef VARNALUX_I32
#undef VARNALUX_PAIR_F
#undef VARNALUX_PAIR_I

constexpr size_t ImageBytes() {
  size_t total = 0;
  for (const ImageSlot& s : Slots) total += s.size;
  return total;
}
static_assert(ImageBytes() == ConfigRecordImageSize, "record image must take 457 bytes");

void PutU32(uint8_t* at, uint32_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
  at[2] = static_cast<uint8_t>(v >> 16);
  at[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t GetU32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

const uint8_t* StatusFlags(const PrinterStatus& s, int i) {
  const uint8_t* flags[8] = {&s.headOpen, &s.paperJam, &s.outOfPaper, &s.outOfRibbon,
                             &s.pause,    &s.printing, &s.bit6,       &s.otherError};
  return flags[i];
}

}  // namespace

void BuildConfigFile(const PrinterConfig& config, int32_t unit, const PrinterStatus& status,
                     uint8_t (&image)[ConfigFileSize]) {
  memset(image, 0, sizeof image);
  PutU32(image, ConfigFileMagic);
  PutU32(image + 4, ConfigFileVersion);
  PutU32(image + 8, static_cast<uint32_t>(unit));
  const auto* record = reinterpret_cast<const uint8_t*>(&config);
  size_t at = ConfigRecordOffset;
  for (const ImageSlot& slot : Slots) {
    const uint8_t* field = record + slot.member;
    switch (slot.kind) {
      case Slot::Text: {
        size_t n = strnlen(reinterpret_cast<const char*>(field), slot.size);
        if (n == slot.size) n = slot.size - 1;  // keep a NUL in the field
        memcpy(image + at, field, n);
        break;
      }
      case Slot::Flag: image[at] = field[0] != 0 ? 1 : 0; break;
      case Slot::Float:
      case Slot::Int: {
        uint32_t bits;
        memcpy(&bits, field, 4);
        PutU32(image + at, bits);
        break;
      }
    }
    at += slot.size;
  }
  for (int i = 0; i < 8; ++i) image[ConfigStatusOffset + i] = *StatusFlags(status, i) != 0 ? 1 : 0;
}

int ParseConfigFile(const uint8_t* data, size_t size, PrinterConfig& config, int32_t& unit,
                    PrinterStatus& status) {
  if (data == nullptr || size < 4) return ConfigFileShort;
  if (GetU32(data) != ConfigFileMagic) return ConfigFileBadMagic;
  if (size < ConfigFileSize) return ConfigFileShort;

  PrinterConfig parsed;
  ResetConfig(parsed);
  auto* record = reinterpret_cast<uint8_t*>(&parsed);
  size_t at = ConfigRecordOffset;
  for (const ImageSlot& slot : Slots) {
    uint8_t* field = record + slot.member;
    switch (slot.kind) {
      case Slot::Text:
        memcpy(field, data + at, slot.size);
        field[slot.size - 1] = 0;
        break;
      case Slot::Flag:
        // Stored as found; the readers of the record test for non-zero.
        field[0] = data[at];
        break;
      case Slot::Float:
      case Slot::Int: {
        uint32_t bits = GetU32(data + at);
        memcpy(field, &bits, 4);
        break;
      }
    }
    at += slot.size;
  }
  config = parsed;
  unit = static_cast<int32_t>(GetU32(data + 8));
  uint8_t flags[8];
  for (int i = 0; i < 8; ++i) flags[i] = data[ConfigStatusOffset + i];
  status.headOpen = flags[0];
  status.paperJam = flags[1];
  status.outOfPaper = flags[2];
  status.outOfRibbon = flags[3];
  status.pause = flags[4];
  status.printing = flags[5];
  status.bit6 = flags[6];
  status.otherError = flags[7];
  return ConfigFileOk;
}

bool SaveConfigFile(const std::string& path, const uint8_t (&image)[ConfigFileSize]) {
  return SaveFileAtomically(path, image, ConfigFileSize);
}

int LoadConfigFile(const std::string& path, PrinterConfig& config, int32_t& unit,
                   PrinterStatus& status) {
  // Only a regular file is read, and a FIFO or device picked by mistake
  // cannot hang the open. A longer file gives its first ConfigFileSize bytes.
  InputFile file;
  if (file.Open(path) != InputFileResult::Ok) return ConfigFileOpenFailed;
  uint8_t data[ConfigFileSize];
  size_t got = 0;
  while (got < ConfigFileSize) {
    size_t n = 0;
    if (file.Read(data + got, ConfigFileSize - got, n) != InputFileResult::Ok)
      return ConfigFileOpenFailed;
    if (n == 0) break;
    got += n;
  }
  return ParseConfigFile(data, got, config, unit, status);
}

}  // namespace varnalux
