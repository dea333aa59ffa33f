// The temporary font file of a download: where it goes, and that a link
// planted at its name is replaced rather than followed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "font/temp_font_file.h"

namespace varnalux {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

bool IsDir(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Number of entries in a folder, . and .. left out.
int Entries(const std::string& folder) {
  int n = 0;
  std::string command = "ls -A '" + folder + "' | wc -l";
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return -1;
  if (fscanf(p, "%d", &n) != 1) n = -1;
  pclose(p);
  return n;
}

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class TempFontFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/varnalux-tempfont-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }
  std::string root;
};

TEST_F(TempFontFileTest, StartFolderFirstThenTheCacheFolder) {
  EXPECT_EQ(TempFontFolder(root, root + "/cache"), root);
  EXPECT_FALSE(IsDir(root + "/cache"));

  // A start folder that is gone: the cache folder, made for the user only.
  const std::string cache = root + "/home/.cache/varnalux";
  EXPECT_EQ(TempFontFolder(root + "/gone", cache), cache);
  struct stat info {};
  ASSERT_EQ(stat(cache.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // A file where the cache folder should be, and no cache folder at all.
  WriteAll(root + "/file", "x");
  EXPECT_EQ(TempFontFolder(root + "/gone", root + "/file/varnalux"), "");
  EXPECT_EQ(TempFontFolder(root + "/gone", ""), "");
}

TEST_F(TempFontFileTest, CacheFolderFromTheEnvironment) {
  {
    ScopedEnv cache("XDG_CACHE_HOME", "/var/cache-of-user");
    EXPECT_EQ(UserCacheFolder(), "/var/cache-of-user/varnalux");
  }
  {
    // A relative XDG_CACHE_HOME is not used.
    ScopedEnv cache("XDG_CACHE_HOME", "relative");
    ScopedEnv home("HOME", "/home/tech");
    EXPECT_EQ(UserCacheFolder(), "/home/tech/.cache/varnalux");
  }
  {
    ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    ScopedEnv home("HOME", nullptr);
    EXPECT_EQ(UserCacheFolder(), "");
  }
}

TEST_F(TempFontFileTest, PlacingReplacesAPlantedLinkWithoutFollowingIt) {
  const std::string victim = root + "/victim";
  WriteAll(victim, "keep");
  ASSERT_EQ(symlink(victim.c_str(), (root + "/Temp.BMF").c_str()), 0);
  {
    TempFontSlot slot(root);
    ASSERT_TRUE(slot.IsReady());
    EXPECT_EQ(slot.FinalPath(), root + "/Temp.BMF");
    EXPECT_NE(slot.WorkPath(), slot.FinalPath());
    WriteAll(slot.WorkPath(), "font bytes");
    ASSERT_TRUE(slot.Place());
  }
  EXPECT_EQ(ReadAll(victim), "keep");
  struct stat info {};
  ASSERT_EQ(lstat((root + "/Temp.BMF").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(ReadAll(root + "/Temp.BMF"), "font bytes");
  // The private folder is gone again.
  EXPECT_EQ(Entries(root), 2);
}

TEST_F(TempFontFileTest, AFolderAtTheNameFailsAndNothingIsLeftBehind) {
  ASSERT_EQ(mkdir((root + "/Temp.BMF").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((root + "/Temp.BMF/inside").c_str(), 0700), 0);
  {
    TempFontSlot slot(root);
    ASSERT_TRUE(slot.IsReady());
    WriteAll(slot.WorkPath(), "font bytes");
    EXPECT_FALSE(slot.Place());
  }
  EXPECT_EQ(Entries(root), 1);
  EXPECT_TRUE(IsDir(root + "/Temp.BMF/inside"));

  // A slot that is never placed leaves nothing either; one without a
  // folder is not ready and places nothing.
  { TempFontSlot slot(root); WriteAll(slot.WorkPath(), "x"); }
  EXPECT_EQ(Entries(root), 1);
  TempFontSlot none("");
  EXPECT_FALSE(none.IsReady());
  EXPECT_FALSE(none.Place());
  TempFontSlot missing(root + "/gone");
  EXPECT_FALSE(missing.IsReady());
}

}  // namespace
}  // namespace varnalux
