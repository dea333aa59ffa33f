// The configuration file (.dcf): a fixed 477-byte image of a header, the
// configuration record and the printer status flags. Numbers are
// little-endian, floats IEEE single precision, and every field is written
// and read one by one at its fixed offset.
//
//   0   u32  magic 0x000055AA (bytes AA 55 00 00)
//   4   u32  format version, written as 1, not checked on reading
//   8   i32  unit of the page: 0 inch, 1 mm
//   12  457  the PrinterConfig fields in declaration order, no gaps
//   469 8    the PrinterStatus flags, bit 0 first
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/printer_config.h"
#include "protocol/printer_status.h"

namespace varnalux {

inline constexpr size_t ConfigFileSize = 477;
inline constexpr size_t ConfigRecordImageSize = 457;
inline constexpr size_t ConfigRecordOffset = 12;
inline constexpr size_t ConfigStatusOffset = 469;
inline constexpr uint32_t ConfigFileMagic = 0x000055AA;
inline constexpr uint32_t ConfigFileVersion = 1;

inline constexpr int32_t UnitInch = 0;
inline constexpr int32_t UnitMm = 1;

// Results of reading a configuration file.
inline constexpr int ConfigFileOk = 0;
inline constexpr int ConfigFileBadMagic = 1;  // not a configuration file
inline constexpr int ConfigFileShort = 2;     // fewer than 477 bytes
inline constexpr int ConfigFileOpenFailed = 3;

using ConfigImage = uint8_t[ConfigFileSize];

// Builds the image. Text fields are written up to their NUL and padded
// with zeros.
void BuildConfigFile(const PrinterConfig& config, int32_t unit, const PrinterStatus& status,
                     uint8_t (&image)[ConfigFileSize]);

// Parses size bytes. On ConfigFileOk the three outputs are set (each text
// field ends in a NUL whatever the file holds); otherwise they are left
// unchanged. Bytes beyond 477 are ignored.
int ParseConfigFile(const uint8_t* data, size_t size, PrinterConfig& config, int32_t& unit,
                    PrinterStatus& status);

// Writes the image to a temporary file beside path and renames it over path,
// so a save that fails leaves an existing file as it was. False on failure.
bool SaveConfigFile(const std::string& path, const uint8_t (&image)[ConfigFileSize]);

// Reads at most 477 bytes of path and parses them: ConfigFileOk,
// ConfigFileOpenFailed, ConfigFileBadMagic or ConfigFileShort.
int LoadConfigFile(const std::string& path, PrinterConfig& config, int32_t& unit,
                   PrinterStatus& status);

}  // namespace varnalux
