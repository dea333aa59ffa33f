// The temporary font file that "Dowload Font" makes and sends: "Temp.BMF" in
// the start directory, or in the user's cache folder when the start
// directory cannot take a new file.
//
// The file is made inside a private folder created for the purpose and then
// renamed to its name. A rename replaces whatever is at the name (a symbolic
// link planted there included) instead of following it, so a link cannot
// redirect the write to another file.
#pragma once

#include <string>

namespace varnalux {

inline constexpr char TempFontFileName[] = "Temp.BMF";

// $XDG_CACHE_HOME/varnalux, else $HOME/.cache/varnalux; empty when neither
// variable is set.
std::string UserCacheFolder();

// The folder of the temporary font file: startDirectory when a file can be
// created there, else cacheFolder (created when missing, for the user only).
// Empty when neither can take it.
std::string TempFontFolder(const std::string& startDirectory, const std::string& cacheFolder);

// One making of the temporary file. WorkPath() is where the font is written;
// Place() moves it to FinalPath(). Anything not placed is removed again.
class TempFontSlot {
 public:
  explicit TempFontSlot(const std::string& folder);
  ~TempFontSlot();
  TempFontSlot(const TempFontSlot&) = delete;
  TempFontSlot& operator=(const TempFontSlot&) = delete;

  // False when the private folder could not be created.
  bool IsReady() const { return !workDir_.empty(); }
  const std::string& WorkPath() const { return workPath_; }
  const std::string& FinalPath() const { return finalPath_; }
  // Renames the made file to FinalPath(); false when that failed (for
  // example a folder stands at the name).
  bool Place();

 private:
  std::string workDir_;
  std::string workPath_;
  std::string finalPath_;
};

}  // namespace varnalux
