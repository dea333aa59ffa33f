// The old content of a file that is rewritten in place, kept until the new
// content is complete, so that a failed or abandoned save can put it back.
//
// The copy is a new file beside the original, flushed to the disk (it
// survives a crash in the middle of the save), or, where the folder takes no
// new file or has no room for it, a copy in memory.
#pragma once

#include <string>

#include "base/owned_fd.h"

namespace varnalux {

class SafetyCopy {
 public:
  SafetyCopy() = default;
  ~SafetyCopy() { Drop(); }
  SafetyCopy(const SafetyCopy&) = delete;
  SafetyCopy& operator=(const SafetyCopy&) = delete;

  // Copies everything fd holds, from its start; false when it cannot be read.
  bool Take(int fd, const std::string& folder);
  // Writes the copy back over fd from its start, cuts fd to the copy's length
  // and flushes it; false when any of that failed.
  bool RestoreInto(int fd) const;
  // Forgets the copy and removes its file.
  void Drop();
  // Forgets the copy but leaves its file, for the user to recover by hand
  // when putting it back failed.
  void Keep();

 private:
  OwnedFd fd_;         // the copy's file, when it has one
  std::string path_;   // its name
  std::string bytes_;  // the copy in memory otherwise
  bool taken_ = false;
};

}  // namespace varnalux
