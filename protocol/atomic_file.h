// Writes a file so that a failed save never destroys the previous one.
//
// The bytes go to a new file in the target's folder; Commit() flushes it to
// the disk and renames it over the target in one step. A save that fails at
// any point (full disk, no permission) leaves the target as it was and
// removes the new file. The target keeps its permissions (and its owner where
// the process may set it); a symbolic link is followed, so its target file is
// replaced and the link stays. A file the process may not write is refused,
// not replaced. A path that names something other than a regular file (a
// device such as /dev/stdout, a FIFO) is never replaced: it is written in
// place, and a FIFO with no reader is refused at once.
//
//   AtomicFile file;
//   if (!file.Open(path)) ...;
//   file.Write(bytes, n);  ... more writes ...
//   if (!file.Commit()) ...;   // false: nothing changed at path
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnalux {

class AtomicFile {
 public:
  AtomicFile() = default;
  // Discards an uncommitted new file.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Prepares the save; false when the folder cannot take a new file (or the
  // in-place target cannot be opened for writing).
  bool Open(const std::string& path);
  // Appends bytes; false once any write has failed (later writes do nothing).
  bool Write(const void* data, size_t length);
  // Flushes and puts the file in place; false when anything failed, in which
  // case the previous file is untouched.
  bool Commit();
  // Drops the new file; the previous one stays.
  void Discard();

  bool Failed() const { return failed_; }

 private:
  int fd_ = -1;
  bool inPlace_ = false;
  bool failed_ = false;
  std::string target_;  // the regular file that is replaced
  std::string temp_;    // the new file while it is written
};

// One-call form: the whole content at once.
bool SaveFileAtomically(const std::string& path, const void* data, size_t length);

}  // namespace varnalux
