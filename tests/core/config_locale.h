// Switches LC_NUMERIC to a locale whose decimal separator is a comma, as a
// GUI toolkit may do, for the duration of a test. The locale is compiled
// into the test's own temporary folder when the system has none installed.
#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/temp_folder.h"

namespace varnalux::testing {

class CommaLocale {
 public:
  CommaLocale() {
    const char* saved = setlocale(LC_NUMERIC, nullptr);
    saved_ = saved != nullptr ? saved : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
      if (Try(name)) return;
    }
    // Build one with localedef from the system's locale sources.
    folder_ = std::make_unique<TempFolder>();
    const char* locPath = getenv("LOCPATH");
    if (locPath != nullptr) savedLocPath_ = std::make_unique<std::string>(locPath);
    setenv("LOCPATH", folder_->Path().c_str(), 1);
    std::string cmd = "localedef -i de_DE -f UTF-8 " + folder_->Path("de_DE.UTF-8") +
                      " >/dev/null 2>&1";
    if (system(cmd.c_str()) == 0) Try("de_DE.UTF-8");
  }
  ~CommaLocale() {
    setlocale(LC_NUMERIC, saved_.c_str());
    if (folder_ == nullptr) return;
    if (savedLocPath_ != nullptr)
      setenv("LOCPATH", savedLocPath_->c_str(), 1);
    else
      unsetenv("LOCPATH");
  }
  bool active() const { return active_; }

 private:
  bool Try(const char* name) {
    if (setlocale(LC_NUMERIC, name) == nullptr) return false;
    char probe[16];
    snprintf(probe, sizeof probe, "%.1f", 2.5);
    active_ = std::string(probe) == "2,5";
    if (!active_) setlocale(LC_NUMERIC, saved_.c_str());
    return active_;
  }
  std::string saved_;
  bool active_ = false;
  std::unique_ptr<TempFolder> folder_;  // the built locale, when there was none
  std::unique_ptr<std::string> savedLocPath_;
};

}  // namespace varnalux::testing
