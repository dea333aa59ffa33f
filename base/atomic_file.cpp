#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "base/followed_path.h"
#include "base/owned_fd.h"

namespace varnalux {

namespace {

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// After a rename the folder entry itself must reach the disk too; a folder
// that cannot be synced (some file systems refuse) does not fail the save,
// the rename has already happened.
void SyncFolder(const std::string& folder) {
  OwnedFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) return;
  (void)fsync(fd.Get());
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::string& path) {
  Discard();
  failed_ = true;
  if (path.empty()) return false;
  struct stat info;
  const bool exists = stat(path.c_str(), &info) == 0;
  // Anything but "not there yet" is a path the kernel itself will not
  // follow: a loop, a protected link, a folder that is missing or closed.
  if (!exists && errno != ENOENT) return false;
  std::string target;
  if (FollowPath(path, target) != PathFollow::Followed) return false;
  if (exists && !S_ISREG(info.st_mode)) return OpenStream(path);
  // A file the user may not write stays as it is, even where the folder
  // would allow replacing it.
  if (exists && access(path.c_str(), W_OK) != 0) return false;
  target_ = target;
  if (exists) {
    // The file found by following the links must be the one stat saw.
    struct stat found;
    if (lstat(target_.c_str(), &found) != 0 || !SameFile(found, info)) return false;
    // A new file renamed over one name would split it from its other names,
    // so they are all written through, except in a shared folder such as
    // /tmp: anyone may have made that name for a file of someone else (what
    // fs.protected_hardlinks forbids, where it is on), and writing through
    // it would change that file. Such a save is refused.
    if (info.st_nlink > 1) return IsSharedFolder(FolderOf(target_)) ? false : OpenRewrite(info);
  }
  way_ = Way::Replace;
  // A short hidden name: the target's own name plus a suffix could exceed
  // the longest name the folder takes.
  temp_ = FolderOf(target_) + "/.varnalux-XXXXXX";
  fd_.Reset(mkostemp(temp_.data(), O_CLOEXEC));
  if (!fd_.Valid()) {
    const int why = errno;
    temp_.clear();
    // A folder the user may not write still lets its writable files be
    // written in place.
    if (exists && (why == EACCES || why == EPERM)) return OpenRewrite(info);
    return false;
  }
  // The new file gets the old file's permissions and, where allowed, its
  // owner; a new path gets those of any new file.
  mode_t mode;
  if (exists) {
    mode = info.st_mode & 07777;
    if ((info.st_uid != geteuid() || info.st_gid != getegid()) &&
        fchown(fd_.Get(), info.st_uid, info.st_gid) != 0) {
      // Only root may give a file away; others keep their own owner.
    }
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  failed_ = fchmod(fd_.Get(), mode) != 0;
  return !failed_;
}

// A device, FIFO or the like: written in place through the path as given
// (so /dev/stdout reaches whatever standard output is), never replaced.
// Non-blocking open so that a FIFO with no reader fails at once instead of
// hanging; a folder fails to open for writing.
bool AtomicFile::OpenStream(const std::string& path) {
  way_ = Way::Stream;
  fd_.Reset(open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd_.Valid()) {
    int flags = fcntl(fd_.Get(), F_GETFL);
    if (flags >= 0) fcntl(fd_.Get(), F_SETFL, flags & ~O_NONBLOCK);
  }
  failed_ = !fd_.Valid();
  return !failed_;
}

// The regular file target_ (the one seen) is written over from its start;
// its old content is copied first, or the save is refused.
bool AtomicFile::OpenRewrite(const struct stat& seen) {
  way_ = Way::Rewrite;
  fd_.Reset(open(target_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
  struct stat opened;
  if (!fd_.Valid() || fstat(fd_.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
      !SameFile(opened, seen) || !old_.Take(fd_.Get(), FolderOf(target_))) {
    fd_.Reset();
    return false;
  }
  failed_ = false;
  return true;
}

bool AtomicFile::Write(const void* data, size_t length) {
  if (!fd_.Valid() || failed_) {
    failed_ = true;
    return false;
  }
  if (!WriteAll(fd_.Get(), data, length)) failed_ = true;
  return !failed_;
}

// The new content ends where the writes ended. Anything that failed puts the
// old content back; should even that fail, its copy is left beside the file.
bool AtomicFile::CommitRewrite(OwnedFd fd, bool ok) {
  if (ok) {
    const off_t end = lseek(fd.Get(), 0, SEEK_CUR);
    ok = end >= 0 && ftruncate(fd.Get(), end) == 0 && fsync(fd.Get()) == 0;
  }
  if (ok || old_.RestoreInto(fd.Get()))
    old_.Drop();
  else
    old_.Keep();
  if (!fd.Close()) ok = false;
  return ok;
}

bool AtomicFile::Commit() {
  if (!fd_.Valid()) return false;
  OwnedFd fd = std::move(fd_);
  bool ok = !failed_;
  if (way_ == Way::Stream) {
    if (!fd.Close()) ok = false;
  } else if (way_ == Way::Rewrite) {
    ok = CommitRewrite(std::move(fd), ok);
  } else {
    if (ok && fsync(fd.Get()) != 0) ok = false;
    if (!fd.Close()) ok = false;
    if (ok && rename(temp_.c_str(), target_.c_str()) != 0) ok = false;
    if (ok)
      SyncFolder(FolderOf(target_));
    else
      unlink(temp_.c_str());
    temp_.clear();
  }
  way_ = Way::Replace;
  failed_ = !ok;
  return ok;
}

void AtomicFile::Discard() {
  if (fd_.Valid()) {
    if (way_ == Way::Rewrite)
      (void)CommitRewrite(std::move(fd_), false);
    else
      fd_.Reset();
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
  way_ = Way::Replace;
}

bool SaveFileAtomically(const std::string& path, const void* data, size_t length) {
  AtomicFile file;
  if (!file.Open(path)) return false;
  file.Write(data, length);
  return file.Commit();
}

}  // namespace varnalux
