#include "base/followed_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace varnalux {

namespace {

// How many symbolic links a path may pass through before it counts as a loop
// (the kernel's own limit).
constexpr int MostLinkHops = 40;

// Pushes the parts of a path so that its first part is taken next.
void PushParts(const std::string& path, std::vector<std::string>& pending) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at <= path.size()) {
    size_t slash = path.find('/', at);
    if (slash == std::string::npos) slash = path.size();
    std::string part = path.substr(at, slash - at);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    at = slash + 1;
  }
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) pending.push_back(*it);
}

// The kernel's rule for following a link: in a folder that is both sticky
// and writable by everyone, only a link of the caller or of the folder's
// owner is followed.
bool MayFollow(const std::string& folder, const struct stat& link) {
  if (link.st_uid == geteuid()) return true;
  struct stat dir;
  if (stat(folder.empty() ? "/" : folder.c_str(), &dir) != 0) return false;
  const mode_t shared = S_ISVTX | S_IWOTH;
  return (dir.st_mode & shared) != shared || dir.st_uid == link.st_uid;
}

}  // namespace

bool IsSharedFolder(const std::string& folder) {
  struct stat dir;
  if (stat(folder.empty() ? "/" : folder.c_str(), &dir) != 0) return true;
  const mode_t shared = S_ISVTX | S_IWOTH;
  return (dir.st_mode & shared) == shared;
}

PathFollow FollowPath(const std::string& path, std::string& target) {
  if (path.empty()) return PathFollow::Broken;
  std::string resolved;  // physical, without a trailing slash; empty is the root
  if (path[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return PathFollow::Broken;
    resolved = cwd;
    if (resolved == "/") resolved.clear();
  }
  std::vector<std::string> pending;
  PushParts(path, pending);
  int hops = 0;
  while (!pending.empty()) {
    const std::string part = pending.back();
    pending.pop_back();
    if (part == "..") {
      resolved.erase(resolved.empty() ? 0 : resolved.rfind('/'));
      continue;
    }
    const std::string next = resolved + "/" + part;
    struct stat info;
    if (lstat(next.c_str(), &info) != 0) {
      // Only the last part may be missing: it is the file to be made.
      if (errno == ENOENT && pending.empty()) {
        target = next;
        return PathFollow::Followed;
      }
      return PathFollow::Broken;
    }
    if (S_ISLNK(info.st_mode)) {
      if (++hops > MostLinkHops) return PathFollow::Loop;
      if (!MayFollow(resolved, info)) return PathFollow::Protected;
      char link[PATH_MAX];
      const ssize_t n = readlink(next.c_str(), link, sizeof link - 1);
      if (n <= 0) return PathFollow::Broken;
      const std::string text(link, static_cast<size_t>(n));
      if (text[0] == '/') resolved.clear();
      PushParts(text, pending);
      continue;
    }
    if (!pending.empty() && !S_ISDIR(info.st_mode)) return PathFollow::Broken;
    resolved = next;
  }
  target = resolved.empty() ? "/" : resolved;
  return PathFollow::Followed;
}

}  // namespace varnalux
