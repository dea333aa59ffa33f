#include "protocol/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace varnalux {

namespace {

// Reads fd to its end or until more than limit bytes have come.
InputFileResult ReadUpTo(int fd, size_t limit, std::vector<uint8_t>& bytes) {
  uint8_t chunk[65536];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return InputFileResult::ReadFailed;
    if (n == 0) return InputFileResult::Ok;
    if (static_cast<size_t>(n) > limit - bytes.size()) return InputFileResult::TooLarge;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

}  // namespace

InputFileResult ReadInputFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (path == "-") return ReadUpTo(STDIN_FILENO, limit, bytes);
  // Non-blocking, so that opening a FIFO cannot wait for a writer; the type
  // is checked on what was opened.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return InputFileResult::OpenFailed;
  struct stat info;
  InputFileResult result;
  if (fstat(fd, &info) != 0) {
    result = InputFileResult::ReadFailed;
  } else if (!S_ISREG(info.st_mode)) {
    result = InputFileResult::NotRegular;
  } else if (static_cast<uint64_t>(info.st_size) > limit) {
    result = InputFileResult::TooLarge;
  } else {
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    bytes.reserve(static_cast<size_t>(info.st_size));
    result = ReadUpTo(fd, limit, bytes);
  }
  close(fd);
  if (result != InputFileResult::Ok) bytes.clear();
  return result;
}

const char* InputFileProblem(InputFileResult result) {
  switch (result) {
    case InputFileResult::Ok: return "";
    case InputFileResult::OpenFailed: return "cannot be opened";
    case InputFileResult::NotRegular: return "is not a regular file";
    case InputFileResult::TooLarge: return "is too large for one send";
    case InputFileResult::ReadFailed: return "could not be read";
  }
  return "could not be read";
}

}  // namespace varnalux
