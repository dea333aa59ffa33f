// Files the user chose for the file manager: whether they can be sent, and
// the message for one that cannot.
#pragma once

#include <cstdint>
#include <string>

#include "base/input_file.h"

namespace varnalux {

enum class LocalFileError {
  None,
  CannotOpen,  // missing, unreadable, or it failed or changed while being read
  NotRegular,  // a folder, FIFO, device or socket: reading it could block
  TooLarge,    // over the given bound
};

// A message for the user for a failed read ("" for None).
const char* LocalFileMessage(LocalFileError error);

// What an input file's result means here.
LocalFileError LocalFileErrorOf(InputFileResult result);

// The size of a regular file that can be opened for reading. A FIFO or a
// device is not opened in a way that could block.
LocalFileError LocalFileSize(const std::string& path, uint64_t maxSize, uint64_t& size);

}  // namespace varnalux
