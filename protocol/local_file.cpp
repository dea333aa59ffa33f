#include "protocol/local_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace varnalux {

namespace {

// Opens without blocking on a FIFO that has no writer, then checks the kind
// of file on the open descriptor (no race with a rename in between).
LocalFileError OpenRegular(const std::string& path, uint64_t maxSize, int& fd, uint64_t& size) {
  fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return LocalFileError::CannotOpen;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    close(fd);
    return LocalFileError::CannotOpen;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return LocalFileError::NotRegular;
  }
  if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > maxSize) {
    close(fd);
    return LocalFileError::TooLarge;
  }
  size = static_cast<uint64_t>(st.st_size);
  return LocalFileError::None;
}

}  // namespace

const char* LocalFileMessage(LocalFileError error) {
  switch (error) {
    case LocalFileError::None: return "";
    case LocalFileError::CannotOpen: return "Open File Error";
    case LocalFileError::NotRegular: return "Only a regular file can be sent";
    case LocalFileError::TooLarge: return "The file is too large to send";
  }
  return "Open File Error";
}

LocalFileError LocalFileSize(const std::string& path, uint64_t maxSize, uint64_t& size) {
  int fd = -1;
  LocalFileError error = OpenRegular(path, maxSize, fd, size);
  if (error == LocalFileError::None) close(fd);
  return error;
}

LocalFileError ReadLocalFile(const std::string& path, uint64_t maxSize, std::vector<uint8_t>& bytes,
                             uint64_t& size) {
  int fd = -1;
  LocalFileError error = OpenRegular(path, maxSize, fd, size);
  if (error != LocalFileError::None) return error;
  try {
    bytes.assign(static_cast<size_t>(size) + 1, 0);
  } catch (...) {
    close(fd);
    return LocalFileError::CannotOpen;
  }
  uint64_t done = 0;
  while (done < size) {
    ssize_t n = read(fd, bytes.data() + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // error, or the file shrank
    done += static_cast<uint64_t>(n);
  }
  // One more byte means the file grew while it was read.
  uint8_t extra = 0;
  ssize_t more = done == size ? read(fd, &extra, 1) : 0;
  close(fd);
  if (done != size || more != 0) {
    bytes.clear();
    return LocalFileError::CannotOpen;
  }
  bytes[static_cast<size_t>(size)] = 0;
  return LocalFileError::None;
}

}  // namespace varnalux
