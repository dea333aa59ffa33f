// Switches LC_NUMERIC to a locale whose decimal separator is a comma, as a
// GUI toolkit may do, for the duration of a test. The locale is compiled
// into a temporary folder when the system has none installed.
#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace varnalux::testing {

class CommaLocale {
 public:
  CommaLocale() {
    const char* saved = setlocale(LC_NUMERIC, nullptr);
    saved_ = saved != nullptr ? saved : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
      if (Try(name)) return;
    }
    // Build one with localedef from the system's locale sources, once.
    const std::string dir = "/tmp/varnalux-locale-test";
    setenv("LOCPATH", dir.c_str(), 1);
    if (Try("de_DE.UTF-8")) return;
    std::string cmd = "mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir +
                      "/de_DE.UTF-8 >/dev/null 2>&1";
    if (system(cmd.c_str()) == 0) Try("de_DE.UTF-8");
  }
  ~CommaLocale() { setlocale(LC_NUMERIC, saved_.c_str()); }
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
};

}  // namespace varnalux::testing
