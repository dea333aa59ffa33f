// The printer's stored files with their sizes and checksums, so tests and
// technicians can check what a download left in the printer.
#pragma once

#include <cstdint>
#include <string>

namespace varnalux::sim {

class VirtualPrinter;

// CRC-32 (the polynomial of zip and Ethernet) of the bytes.
uint32_t Crc32(const std::string& bytes);

// One line per stored file, "DEVICE NAME SIZE CRC32" with the checksum in
// eight hexadecimal digits; device -1 lists all three devices.
std::string FileSumLines(const VirtualPrinter& printer, int device);

}  // namespace varnalux::sim
