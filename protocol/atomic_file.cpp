#include "protocol/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace varnalux {

namespace {

// How many symbolic links a path may pass through before it counts as a loop
// (the kernel's own limit).
constexpr int kMostLinkHops = 40;

// The file a path finally names, following symbolic links. A path whose
// target does not exist yet resolves through its folder.
std::string ResolveTarget(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) return resolved;
  // A dangling link or a new file: keep following links by hand, bounded.
  std::string current = path;
  for (int hops = 0; hops < kMostLinkHops; ++hops) {
    char link[PATH_MAX];
    ssize_t n = readlink(current.c_str(), link, sizeof(link) - 1);
    if (n < 0) return current;
    link[n] = '\0';
    std::string next(link);
    if (next.empty() || next[0] != '/') {
      size_t slash = current.rfind('/');
      next = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + next;
    }
    current = next;
  }
  return current;
}

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, const uint8_t* bytes, size_t length) {
  size_t done = 0;
  while (done < length) {
    ssize_t n = write(fd, bytes + done, length - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && errno == EINTR)
      continue;
    else
      return false;
  }
  return true;
}

// After a rename the folder entry itself must reach the disk too; a folder
// that cannot be synced (some file systems refuse) does not fail the save,
// the rename has already happened.
void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::string& path) {
  Discard();
  failed_ = false;
  if (path.empty()) {
    failed_ = true;
    return false;
  }
  struct stat info;
  const bool exists = stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    // A device, FIFO or the like: written in place through the path as
    // given (so /dev/stdout reaches whatever standard output is), never
    // replaced. Non-blocking open so that a FIFO with no reader fails at once
    // instead of hanging; a folder fails to open for writing.
    inPlace_ = true;
    fd_ = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ >= 0) {
      int flags = fcntl(fd_, F_GETFL);
      if (flags >= 0) fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    }
    failed_ = fd_ < 0;
    return !failed_;
  }
  // A file the user may not write stays as it is, even where the folder
  // would allow replacing it.
  if (exists && access(path.c_str(), W_OK) != 0) {
    failed_ = true;
    return false;
  }
  inPlace_ = false;
  target_ = ResolveTarget(path);
  // A short hidden name: the target's own name plus a suffix could exceed
  // the longest name the folder takes.
  temp_ = FolderOf(target_) + "/.varnalux-XXXXXX";
  fd_ = mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    temp_.clear();
    failed_ = true;
    return false;
  }
  // The new file gets the old file's permissions and, where allowed, its
  // owner; a new path gets those of any new file.
  mode_t mode;
  if (exists) {
    mode = info.st_mode & 07777;
    if (info.st_uid != geteuid() || info.st_gid != getegid())
      (void)fchown(fd_, info.st_uid, info.st_gid);  // only root may; others keep their own
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(fd_, mode) != 0) failed_ = true;
  return !failed_;
}

bool AtomicFile::Write(const void* data, size_t length) {
  if (fd_ < 0 || failed_) {
    failed_ = true;
    return false;
  }
  if (!WriteAll(fd_, static_cast<const uint8_t*>(data), length)) failed_ = true;
  return !failed_;
}

bool AtomicFile::Commit() {
  if (fd_ < 0) return false;
  int fd = fd_;
  fd_ = -1;
  bool ok = !failed_;
  if (inPlace_) {
    if (close(fd) != 0) ok = false;
    inPlace_ = false;
    failed_ = !ok;
    return ok;
  }
  if (ok && fsync(fd) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temp_.c_str(), target_.c_str()) != 0) ok = false;
  if (ok)
    SyncFolder(FolderOf(target_));
  else
    unlink(temp_.c_str());
  temp_.clear();
  failed_ = !ok;
  return ok;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
  inPlace_ = false;
}

bool SaveFileAtomically(const std::string& path, const void* data, size_t length) {
  AtomicFile file;
  if (!file.Open(path)) return false;
  file.Write(data, length);
  return file.Commit();
}

}  // namespace varnalux
