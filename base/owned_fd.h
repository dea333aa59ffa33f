// A file descriptor with one owner: it is closed when the owner goes, so no
// path out of a function leaves it open. Moving hands it on; it cannot be
// copied.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace varnalux {

class OwnedFd {
 public:
  OwnedFd() = default;
  explicit OwnedFd(int fd) : fd_(fd) {}
  ~OwnedFd() { Reset(); }
  OwnedFd(OwnedFd&& other) noexcept : fd_(other.Release()) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes the one held (if any) and takes fd.
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now; false when close failed (a write's late error shows there).
  // Nothing held is a success.
  bool Close() {
    if (fd_ < 0) return true;
    return ::close(Release()) == 0;
  }

 private:
  int fd_ = -1;
};

// Writes all length bytes to fd, going on after short writes and signals;
// false on the first error. With at >= 0 they go at that offset (pwrite) and
// the file position stays; otherwise at the file position.
inline bool WriteAll(int fd, const void* bytes, size_t length, off_t at = -1) {
  const char* from = static_cast<const char*>(bytes);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = at < 0
                          ? ::write(fd, from + done, length - done)
                          : ::pwrite(fd, from + done, length - done, at + static_cast<off_t>(done));
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && errno == EINTR)
      continue;
    else
      return false;
  }
  return true;
}

}  // namespace varnalux
