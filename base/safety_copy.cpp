#include "base/safety_copy.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

namespace varnalux {

namespace {

constexpr size_t Block = 1 << 16;

// Copies from one descriptor to another, both from their start, until the
// source ends. The count copied goes to *copied.
bool CopyAll(int from, int to, off_t* copied) {
  char block[Block];
  off_t at = 0;
  for (;;) {
    const ssize_t n = pread(from, block, sizeof block, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (!WriteAll(to, block, static_cast<size_t>(n), at)) return false;
    at += n;
  }
  if (copied != nullptr) *copied = at;
  return true;
}

bool ReadAll(int fd, std::string& into) {
  char block[Block];
  off_t at = 0;
  try {
    for (;;) {
      const ssize_t n = pread(fd, block, sizeof block, at);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      into.append(block, static_cast<size_t>(n));
      at += n;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

bool SafetyCopy::Take(int fd, const std::string& folder) {
  Drop();
  // Readable by the caller only: the old content may be private.
  path_ = folder + "/.varnalux-XXXXXX";
  fd_.Reset(mkostemp(path_.data(), O_CLOEXEC));
  if (!fd_.Valid()) path_.clear();  // the name may be someone else's file
  if (fd_.Valid() && CopyAll(fd, fd_.Get(), nullptr) && fsync(fd_.Get()) == 0) {
    taken_ = true;
    return true;
  }
  // No copy beside the file: one in memory still lets a failed write be undone.
  Drop();
  if (!ReadAll(fd, bytes_)) {
    Drop();
    return false;
  }
  taken_ = true;
  return true;
}

bool SafetyCopy::RestoreInto(int fd) const {
  if (!taken_) return false;
  off_t length = 0;
  bool ok;
  if (fd_.Valid()) {
    ok = CopyAll(fd_.Get(), fd, &length);
  } else {
    length = static_cast<off_t>(bytes_.size());
    ok = WriteAll(fd, bytes_.data(), bytes_.size(), 0);
  }
  ok = ok && ftruncate(fd, length) == 0;
  return fsync(fd) == 0 && ok;
}

void SafetyCopy::Drop() {
  fd_.Reset();
  if (!path_.empty()) unlink(path_.c_str());
  path_.clear();
  Keep();
}

void SafetyCopy::Keep() {
  fd_.Reset();
  path_.clear();
  std::string().swap(bytes_);
  taken_ = false;
}

}  // namespace varnalux
