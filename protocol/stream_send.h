// Sending what an input file holds to the printer piece by piece as it is
// read: the memory of a send stays one piece, whatever the size of the file.
// The raw send of a file (operation 12 with a file), the firmware send and
// the download of a file (operation 11) go through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/codes.h"
#include "base/input_file.h"

namespace varnalux {

// The most bytes read from the file at a time; the link still cuts each
// piece into its own chunks.
inline constexpr size_t StreamPieceSize = 256 * 1024;

struct StreamReport {
  uint64_t sent = 0;  // out: bytes of the file the link took
  // out: why the send ended with 4 (Ok for any other result).
  InputFileResult fileResult = InputFileResult::Ok;
};

// Reads the first piece, opens the link, writes header (when not empty) and
// then the file's bytes as they are read, and closes the link. The progress
// window is shown in percent mode over the file's bytes when their number is
// known; for standard input, whose size is not known, it is shown in step
// mode (it moves with every piece but claims no share); either way the
// window hears how many bytes of the file the printer has taken. Returns
//   0 when every byte was taken by the link and the close confirmed it;
//   1 when the link did not open;
//   2 when a write failed (report.sent bytes went before it);
//   4 when the file failed: at the first read nothing was sent and the link
//     was not opened; later, the printer received report.sent bytes (a part
//     of the file) before the read failed or the file was seen to change
//     size. A file of known size never sends more than that size.
ResultCode SendStream(InterfaceKind kind, const std::string& header, InputFile& file,
                      StreamReport& report);

// What went wrong after a 4 from SendStream, to follow the file's name
// ("could not be read to its end; the printer received only the first 4096
// bytes"): what failed and how much of the file the printer received.
std::string StreamProblemText(const InputFile& file, const StreamReport& report);

}  // namespace varnalux
