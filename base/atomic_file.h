// Writes a file so that a failed save never destroys the previous one.
//
// The bytes go to a new file in the target's folder; Commit() flushes it to
// the disk and renames it over the target in one step. A save that fails at
// any point (full disk, no permission) leaves the target as it was and
// removes the new file. The target keeps its permissions (and its owner where
// the process may set it); a symbolic link is followed, so its target file is
// replaced and the link stays. A file the process may not write is refused,
// not replaced.
//
// Paths are followed as the kernel follows them, and refused where it would
// refuse: a loop of links, and a link planted by another user in a sticky,
// world-writable folder such as /tmp (so a save as root cannot be turned
// against the file such a link points at).
//
// A file with other hard links, and a file whose folder takes no new file
// (a folder the user may not write), is rewritten in place instead, as an
// editor does: the other names see the new content. Its old content is copied
// first (see SafetyCopy), and a failed or abandoned save writes it back. A
// file with other hard links in a shared folder such as /tmp is refused: its
// name may have been made by anyone for someone else's file.
//
// A path that names something other than a regular file (a device such as
// /dev/stdout, a FIFO) is never replaced: it is written in place, and a FIFO
// with no reader is refused at once.
//
//   AtomicFile file;
//   if (!file.Open(path)) ...;
//   file.Write(bytes, n);  ... more writes ...
//   if (!file.Commit()) ...;   // false: nothing changed at path
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/owned_fd.h"
#include "base/safety_copy.h"

namespace varnalux {

class AtomicFile {
 public:
  AtomicFile() = default;
  // Discards an uncommitted save.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Prepares the save; false when the path is refused, or the folder cannot
  // take a new file and the target cannot be written in place.
  bool Open(const std::string& path);
  // Appends bytes; false once any write has failed (later writes do nothing).
  bool Write(const void* data, size_t length);
  // Flushes and puts the file in place; false when anything failed, in which
  // case the previous file is untouched (or, written in place, put back).
  bool Commit();
  // Drops the save; the previous file stays (or is put back).
  void Discard();

  bool Failed() const { return failed_; }

 private:
  enum class Way {
    Replace,  // a new file renamed over the target
    Stream,   // a device or FIFO, written as it is
    Rewrite,  // a regular file written in place over its safety copy
  };
  bool OpenStream(const std::string& path);
  bool OpenRewrite(const struct stat& seen);
  bool CommitRewrite(OwnedFd fd, bool ok);

  OwnedFd fd_;
  Way way_ = Way::Replace;
  bool failed_ = false;
  std::string target_;  // the regular file that is replaced or rewritten
  std::string temp_;    // the new file while it is written
  SafetyCopy old_;      // the old content while a file is rewritten in place
};

// One-call form: the whole content at once.
bool SaveFileAtomically(const std::string& path, const void* data, size_t length);

}  // namespace varnalux
