// A new folder under /tmp for one test, removed with everything in it when
// the object goes away.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace varnalux::testing {

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/varnalux-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
      ADD_FAILURE() << "cannot make a temporary folder";
    else
      path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  // A name inside the folder.
  std::string Path(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace varnalux::testing
