#include "sim/file_sums.h"

#include <cstdio>

#include "sim/virtual_printer.h"

namespace varnalux::sim {

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string FileSumLines(const VirtualPrinter& printer, int device) {
  static const char* const names[] = {"DRAM", "FLASH", "CARD"};
  std::string out;
  for (int d = MemoryDram; d <= MemoryCard; ++d) {
    if (device >= 0 && d != device) continue;
    for (const std::string& name : printer.FileNames(d)) {
      std::string bytes;
      if (!printer.GetFileOn(d, name, bytes)) continue;
      char tail[48];
      snprintf(tail, sizeof tail, " %zu %08X\n", bytes.size(), Crc32(bytes));
      out += std::string(names[d]) + " " + name + tail;
    }
  }
  return out;
}

}  // namespace varnalux::sim
