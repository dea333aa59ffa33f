#include "base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace varnalux {

namespace {

// read() that continues after a signal.
ssize_t ReadSome(int fd, void* into, size_t room) {
  ssize_t n;
  do {
    n = read(fd, into, room);
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

InputFileResult InputFile::Open(const std::string& path, uint64_t limit) {
  if (fd_ >= 0) return InputFileResult::OpenFailed;
  // Non-blocking, so that opening a FIFO cannot wait for a writer; the type
  // is checked on what was opened, so a rename in between changes nothing.
  OwnedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.Valid()) return InputFileResult::OpenFailed;
  struct stat info {};
  InputFileResult result = InputFileResult::Ok;
  if (fstat(fd.Get(), &info) != 0)
    result = InputFileResult::OpenFailed;
  else if (!S_ISREG(info.st_mode))
    result = InputFileResult::NotRegular;
  else if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > limit)
    result = InputFileResult::TooLarge;
  if (result != InputFileResult::Ok) return result;
  int flags = fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  fd_ = fd.Get();
  owned_ = std::move(fd);
  sizeKnown_ = true;
  size_ = static_cast<uint64_t>(info.st_size);
  taken_ = 0;
  return InputFileResult::Ok;
}

InputFileResult InputFile::OpenStandardInput() {
  if (fd_ >= 0) return InputFileResult::OpenFailed;
  fd_ = STDIN_FILENO;
  sizeKnown_ = false;
  size_ = 0;
  taken_ = 0;
  return InputFileResult::Ok;
}

InputFileResult InputFile::Read(uint8_t* buffer, size_t room, size_t& count) {
  count = 0;
  if (fd_ < 0) return InputFileResult::ReadFailed;
  if (sizeKnown_ && taken_ == size_) {
    // All of the size came: one more byte means the file grew meanwhile.
    uint8_t extra = 0;
    ssize_t n = ReadSome(fd_, &extra, 1);
    if (n < 0) return InputFileResult::ReadFailed;
    return n == 0 ? InputFileResult::Ok : InputFileResult::SizeChanged;
  }
  if (sizeKnown_ && room > size_ - taken_) room = static_cast<size_t>(size_ - taken_);
  ssize_t n = ReadSome(fd_, buffer, room);
  if (n < 0) return InputFileResult::ReadFailed;
  // A regular file that ends before its size shrank while it was sent.
  if (n == 0 && sizeKnown_ && room > 0) return InputFileResult::SizeChanged;
  count = static_cast<size_t>(n);
  taken_ += count;
  return InputFileResult::Ok;
}

const char* InputFileProblem(InputFileResult result) {
  switch (result) {
    case InputFileResult::Ok: return "";
    case InputFileResult::OpenFailed: return "cannot be opened";
    case InputFileResult::NotRegular: return "is not a regular file";
    case InputFileResult::TooLarge: return "is too large to send";
    case InputFileResult::ReadFailed: return "could not be read";
    case InputFileResult::SizeChanged: return "changed size while it was sent";
  }
  return "could not be read";
}

const char* LocalFileMessage(LocalFileError error) {
  switch (error) {
    case LocalFileError::None: return "";
    case LocalFileError::CannotOpen: return "Open File Error";
    case LocalFileError::NotRegular: return "Only a regular file can be sent";
    case LocalFileError::TooLarge: return "The file is too large to send";
  }
  return "Open File Error";
}

LocalFileError LocalFileErrorOf(InputFileResult result) {
  switch (result) {
    case InputFileResult::Ok: return LocalFileError::None;
    case InputFileResult::NotRegular: return LocalFileError::NotRegular;
    case InputFileResult::TooLarge: return LocalFileError::TooLarge;
    case InputFileResult::OpenFailed:
    case InputFileResult::ReadFailed:
    case InputFileResult::SizeChanged: return LocalFileError::CannotOpen;
  }
  return LocalFileError::CannotOpen;
}

LocalFileError LocalFileSize(const std::string& path, uint64_t maxSize, uint64_t& size) {
  InputFile file;
  const LocalFileError error = LocalFileErrorOf(file.Open(path, maxSize));
  if (error == LocalFileError::None) size = file.Size();
  return error;
}

}  // namespace varnalux
