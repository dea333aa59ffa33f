// Loading the dumped text back from the printer ("Dump.txt") and saving it
// to a file on the computer: the same request, buffer and save for the
// window and the command-line tool. The caller runs the read operation on
// Request() through the dispatcher, then looks at Bytes() and saves them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/printer_functions.h"

namespace varnalux {

class DumpReadBack {
 public:
  // Size of the buffer the dumped text is loaded into.
  static constexpr int32_t Capacity = 0x40000;
  // The printer file the dump writes and the read loads.
  static constexpr const char* FileName = "Dump.txt";

  DumpReadBack();
  DumpReadBack(const DumpReadBack&) = delete;
  DumpReadBack& operator=(const DumpReadBack&) = delete;

  // The record for the read operation; it points into this object's buffer.
  ReadBackRequest* Request() { return &request_; }

  // What arrived: never more than the buffer holds, whatever the count says.
  size_t Count() const;
  const uint8_t* Bytes() const { return buffer_.data(); }

  // Saves what arrived to path so that a failed save keeps the previous
  // file; false when the file could not be written.
  bool SaveTo(const std::string& path) const;

 private:
  std::vector<uint8_t> buffer_;
  ReadBackRequest request_{};
};

}  // namespace varnalux
