// Reading a whole input file to send it: the window's "Send File" and the
// command-line tool's send take it through here. Only regular files (and
// standard input, as "-") are read; anything else is refused at once, so a
// FIFO without a writer cannot hang the read and a device such as /dev/zero
// is not read until memory runs out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnalux {

// The most bytes one send carries: the byte count travels as a 32-bit number.
inline constexpr size_t MostSendBytes = 0x7fffffff;

enum class InputFileResult {
  Ok,
  OpenFailed,  // missing, no permission
  NotRegular,  // a folder, device, FIFO or socket
  TooLarge,    // more than the limit; reading stopped there
  ReadFailed,
};

// Reads path ("-" for standard input) into bytes, at most limit bytes.
InputFileResult ReadInputFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes);

// A sentence for the user about a result other than Ok ("is not a regular
// file", ...), to follow the file's name.
const char* InputFileProblem(InputFileResult result);

}  // namespace varnalux
