// A new folder under /tmp for one test, removed with everything in it when
// the object goes away.
#pragma once

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
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

  // A file of the folder holding bytes; its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = Path(name);
    FILE* f = fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path;
    if (f != nullptr) {
      EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size()) << path;
      fclose(f);
    }
    return path;
  }
  // A FIFO of the folder; its path.
  std::string Fifo(const std::string& name) const {
    const std::string path = Path(name);
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
    return path;
  }

 private:
  std::string path_;
};

}  // namespace varnalux::testing
