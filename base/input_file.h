// The one reader of the files the program reads: a file to send to the
// printer, read piece by piece while it is sent, so that the memory of a send
// does not grow with the file (the window's "Send File", the file manager's
// downloads and firmware, the command-line tool's send), and the files read
// whole (a saved configuration, font files and their requests). Only regular files (and
// standard input, which the tool reads as "-") are opened; anything else is
// refused at once, so a FIFO without a writer cannot hang the open and a
// device such as /dev/zero is never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/owned_fd.h"

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
  OwnedFd owned_;  // the file opened here (not standard input)
  int fd_ = -1;    // what is read: owned_ or standard input
  bool sizeKnown_ = false;
  uint64_t size_ = 0;
  uint64_t taken_ = 0;
};

// A sentence for the user about a result other than Ok ("is not a regular
// file", ...), to follow the file's name.
const char* InputFileProblem(InputFileResult result);

// Files the user chose for the file manager: whether they can be sent, and
// the message for one that cannot.
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
