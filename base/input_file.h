// A file to send to the printer, read piece by piece while it is sent, so
// that the memory of a send does not grow with the file: the window's "Send
// File", the file manager's downloads and firmware, and the command-line
// tool's send read their bytes through here. Only regular files (and
// standard input, which the tool reads as "-") are opened; anything else is
// refused at once, so a FIFO without a writer cannot hang the open and a
// device such as /dev/zero is never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnalux {

enum class InputFileResult {
  Ok,
  OpenFailed,   // missing, no permission
  NotRegular,   // a folder, device, FIFO or socket
  TooLarge,     // over the caller's bound, known from the size before any read
  ReadFailed,   // a read failed
  SizeChanged,  // the file ended before its size, or went on after it
};

inline constexpr uint64_t NoSizeLimit = UINT64_MAX;

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens a regular file of at most limit bytes; its size is taken now.
  InputFileResult Open(const std::string& path, uint64_t limit = NoSizeLimit);
  // Standard input, whatever it is (the user chose it): its size is not
  // known and it is read until it ends. It is not closed here.
  InputFileResult OpenStandardInput();

  bool IsOpen() const { return fd_ >= 0; }
  bool SizeKnown() const { return sizeKnown_; }
  // The size when the file was opened; 0 when it is not known.
  uint64_t Size() const { return size_; }
  // Bytes delivered by Read so far.
  uint64_t Taken() const { return taken_; }

  // The next bytes, at most room of them, into buffer; count 0 at the end.
  // Returns what is there without waiting to fill the buffer, so bytes that
  // come slowly through a pipe go on at once. A regular file delivers
  // exactly the size it had when opened: one that ends early or has bytes
  // beyond that size fails as SizeChanged (the bytes beyond are not given).
  InputFileResult Read(uint8_t* buffer, size_t room, size_t& count);

 private:
  int fd_ = -1;
  bool owned_ = false;
  bool sizeKnown_ = false;
  uint64_t size_ = 0;
  uint64_t taken_ = 0;
};

// A sentence for the user about a result other than Ok ("is not a regular
// file", ...), to follow the file's name.
const char* InputFileProblem(InputFileResult result);

}  // namespace varnalux
