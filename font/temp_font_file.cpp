#include "font/temp_font_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace varnalux {

namespace {

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool IsWritableFolder(const std::string& folder) {
  struct stat info {};
  return !folder.empty() && stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         access(folder.c_str(), W_OK | X_OK) == 0;
}

// Creates folder and its missing parents; the new ones for the user only.
bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string part = folder.substr(0, pos);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return IsWritableFolder(folder);
}

}  // namespace

std::string UserCacheFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return Join(cache, "varnalux");
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return Join(Join(home, ".cache"), "varnalux");
  return std::string();
}

std::string TempFontFolder(const std::string& startDirectory, const std::string& cacheFolder) {
  if (IsWritableFolder(startDirectory)) return startDirectory;
  if (MakeFolders(cacheFolder)) return cacheFolder;
  return std::string();
}

TempFontSlot::TempFontSlot(const std::string& folder) {
  if (folder.empty()) return;
  std::string pattern = Join(folder, ".Temp.BMF.XXXXXX");
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) return;
  workDir_ = buffer.data();
  workPath_ = Join(workDir_, TempFontFileName);
  finalPath_ = Join(folder, TempFontFileName);
}

TempFontSlot::~TempFontSlot() {
  if (workDir_.empty()) return;
  unlink(workPath_.c_str());
  rmdir(workDir_.c_str());
}

bool TempFontSlot::Place() {
  if (workDir_.empty()) return false;
  return std::rename(workPath_.c_str(), finalPath_.c_str()) == 0;
}

}  // namespace varnalux
