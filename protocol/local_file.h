// Files the user chose, read whole for sending to the printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnalux {

enum class LocalFileError {
  None,
  CannotOpen,  // missing, unreadable, or it vanished while being read
  NotRegular,  // a folder, FIFO, device or socket: reading it could block
  TooLarge,    // over the given bound
};

// A message for the user for a failed read ("" for None).
const char* LocalFileMessage(LocalFileError error);

// The size of a regular file that can be opened for reading. A FIFO or a
// device is not opened in a way that could block.
LocalFileError LocalFileSize(const std::string& path, uint64_t maxSize, uint64_t& size);

// Reads the whole regular file into bytes, plus one NUL after the data
// (not counted in the returned size). A file that changes size while being
// read fails as CannotOpen.
LocalFileError ReadLocalFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& bytes,
                             uint64_t& size);

}  // namespace varnalux
