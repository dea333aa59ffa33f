// Where a path leads once its symbolic links are followed, with the checks
// the kernel makes when it follows them itself: at most 40 links (more is a
// loop), and no link planted by another user in a sticky, world-writable
// folder such as /tmp (the rule of fs.protected_symlinks, applied whatever the
// system's own setting is, so that a save run as root never writes through a
// stranger's link).
#pragma once

#include <string>

namespace varnalux {

enum class PathFollow {
  Followed,   // target holds the physical path (its last part may not exist yet)
  Loop,       // too many links: a loop
  Protected,  // a link the caller must not follow
  Broken,     // a folder on the way is missing, not a folder or unreadable
};

// Follows every symbolic link of path, folder by folder. A relative path
// starts at the current directory. On Followed, no part of target is a link;
// its last part may not exist yet (a new file, or a link's missing target).
PathFollow FollowPath(const std::string& path, std::string& target);

// A folder that is sticky and that everyone may write, such as /tmp (true
// also when it cannot be looked at).
bool IsSharedFolder(const std::string& folder);

}  // namespace varnalux
