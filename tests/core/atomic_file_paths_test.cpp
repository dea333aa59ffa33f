// Saving through paths that must not be replaced by a new file: loops of
// symbolic links, links planted by another user in a shared folder, files
// with several hard links, and writable files in folders that take no new
// file.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

namespace fs = std::filesystem;

// A user other than root and the usual first accounts ("nobody").
constexpr uid_t OtherUser = 65534;
constexpr gid_t OtherGroup = 65534;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}

// Writes past the process's file size limit fail (EFBIG) as writes to a full
// disk do; the limit holds while the object lives.
class SmallFileLimit {
 public:
  SmallFileLimit() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous_);
    struct rlimit small = saved_;
    small.rlim_cur = 64 * 1024;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  }
  ~SmallFileLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    sigaction(SIGXFSZ, &previous_, nullptr);
  }

 private:
  struct rlimit saved_ {};
  struct sigaction previous_ {};
};

class AtomicFilePathsTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder.Path(name); }

  testing::TempFolder folder;
};

TEST_F(AtomicFilePathsTest, LoopsOfLinksAreRefusedAndStayLinks) {
  ASSERT_EQ(symlink("b.dcf", Path("a.dcf").c_str()), 0);
  ASSERT_EQ(symlink("a.dcf", Path("b.dcf").c_str()), 0);
  ASSERT_EQ(symlink("self.dcf", Path("self.dcf").c_str()), 0);
  ASSERT_EQ(symlink("loop", Path("loop").c_str()), 0);
  for (const char* name : {"a.dcf", "b.dcf", "self.dcf", "loop/inside.dcf"})
    EXPECT_FALSE(SaveFileAtomically(Path(name), "x", 1)) << name;
  for (const char* name : {"a.dcf", "b.dcf", "self.dcf", "loop"})
    EXPECT_TRUE(fs::is_symlink(Path(name))) << name;
  EXPECT_EQ(Entries(folder.Path()),
            (std::vector<std::string>{"a.dcf", "b.dcf", "loop", "self.dcf"}));
  // A long chain that ends is not a loop.
  ASSERT_EQ(symlink("end.dcf", Path("c0").c_str()), 0);
  for (int i = 1; i < 30; ++i)
    ASSERT_EQ(symlink(("c" + std::to_string(i - 1)).c_str(), Path("c" + std::to_string(i)).c_str()),
              0);
  EXPECT_TRUE(SaveFileAtomically(Path("c29"), "end", 3));
  EXPECT_EQ(ReadAll(Path("end.dcf")), "end");
}

// A sticky folder everyone may write, as /tmp, inside the test's own folder.
// A link there that belongs to neither the folder's owner nor the caller is
// what another user could plant; a save (as root) must not follow it.
TEST_F(AtomicFilePathsTest, LinksPlantedByAnotherUserInASharedFolderAreNotFollowed) {
  const std::string shared = Path("shared");
  ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  fs::create_directory(Path("real"));
  const std::string victim = folder.Write("victim.conf", "precious");
  ASSERT_EQ(symlink(victim.c_str(), (shared + "/planted.dcf").c_str()), 0);
  ASSERT_EQ(symlink(Path("real").c_str(), (shared + "/planted-dir").c_str()), 0);
  if (lchown((shared + "/planted.dcf").c_str(), OtherUser, OtherGroup) != 0 ||
      lchown((shared + "/planted-dir").c_str(), OtherUser, OtherGroup) != 0)
    GTEST_SKIP() << "only root can give a link to another user";
  // The caller's own link to the planted one: the planted hop still counts.
  ASSERT_EQ(symlink((shared + "/planted.dcf").c_str(), Path("mine.dcf").c_str()), 0);

  for (const std::string& path :
       {shared + "/planted.dcf", Path("mine.dcf"), shared + "/planted-dir/new.dcf"})
    EXPECT_FALSE(SaveFileAtomically(path, "overwritten", 11)) << path;
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(shared + "/planted.dcf"));
  EXPECT_TRUE(Entries(Path("real")).empty());
  EXPECT_EQ(Entries(shared), (std::vector<std::string>{"planted-dir", "planted.dcf"}));

  // The same link owned by the folder's owner (and the caller) is followed.
  ASSERT_EQ(lchown((shared + "/planted.dcf").c_str(), getuid(), getgid()), 0);
  EXPECT_TRUE(SaveFileAtomically(shared + "/planted.dcf", "through", 7));
  EXPECT_EQ(ReadAll(victim), "through");
  // So is a stranger's link in a folder that is not sticky.
  ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
  EXPECT_TRUE(SaveFileAtomically(shared + "/planted-dir/new.dcf", "made", 4));
  EXPECT_EQ(ReadAll(Path("real/new.dcf")), "made");
}

TEST_F(AtomicFilePathsTest, HardLinkedFilesAreRewrittenForEveryName) {
  const std::string one = folder.Write("one.txt", "old content of both names");
  const std::string two = Path("two.txt");
  ASSERT_EQ(link(one.c_str(), two.c_str()), 0);
  ASSERT_EQ(chmod(one.c_str(), 0640), 0);
  const struct stat before = StatOf(one);

  ASSERT_TRUE(SaveFileAtomically(one, "new", 3));
  EXPECT_EQ(ReadAll(one), "new");
  EXPECT_EQ(ReadAll(two), "new");
  struct stat after = StatOf(two);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_nlink, 2u);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  // A longer content through the other name, streamed in pieces.
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(two));
    ASSERT_TRUE(file.Write("longer ", 7));
    ASSERT_TRUE(file.Write("than before", 11));
    ASSERT_TRUE(file.Commit());
  }
  EXPECT_EQ(ReadAll(one), "longer than before");
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{"one.txt", "two.txt"}));
}

// In a sticky folder everyone may write, a second name may have been made by
// anyone for a file of someone else: nothing is written through it.
TEST_F(AtomicFilePathsTest, HardLinkedFilesInASharedFolderAreRefused) {
  const std::string shared = Path("shared");
  ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
  const std::string victim = folder.Write("victim.conf", "precious");
  ASSERT_EQ(link(victim.c_str(), (shared + "/planted.dcf").c_str()), 0);
  EXPECT_FALSE(SaveFileAtomically(shared + "/planted.dcf", "overwritten", 11));
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_EQ(StatOf(victim).st_nlink, 2u);
  EXPECT_EQ(Entries(shared), std::vector<std::string>{"planted.dcf"});
  // A file with one name there is replaced as anywhere else.
  folder.Write("shared/single.dcf", "old");
  EXPECT_TRUE(SaveFileAtomically(shared + "/single.dcf", "new", 3));
  EXPECT_EQ(ReadAll(shared + "/single.dcf"), "new");
}

TEST_F(AtomicFilePathsTest, AFailedOrAbandonedRewriteOfAHardLinkedFilePutsTheOldContentBack) {
  const std::string one = folder.Write("one.txt", "precious old content");
  const std::string two = Path("two.txt");
  ASSERT_EQ(link(one.c_str(), two.c_str()), 0);
  {
    SmallFileLimit limit;
    const std::string big(1 << 20, 'z');
    EXPECT_FALSE(SaveFileAtomically(one, big.data(), big.size()));
  }
  EXPECT_EQ(ReadAll(one), "precious old content");
  EXPECT_EQ(ReadAll(two), "precious old content");
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(two));
    ASSERT_TRUE(file.Write("half", 4));
    // Never committed.
  }
  EXPECT_EQ(ReadAll(one), "precious old content");
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(two));
    ASSERT_TRUE(file.Write("half", 4));
    file.Discard();
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(ReadAll(one), "precious old content");
  EXPECT_EQ(StatOf(one).st_nlink, 2u);
  // No copy of the old content stays behind.
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{"one.txt", "two.txt"}));
}

// Runs body in a child process that may not write into locked (as root:
// the child becomes another user, who owns the file but not the folder).
// The child's exit code: 0 pass, 1 fail, 77 cannot arrange the case.
int InChildThatCannotWriteTheFolder(const std::string& locked, const std::string& file,
                                    bool (*body)(const std::string&)) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setresgid(OtherGroup, OtherGroup, OtherGroup) != 0 ||
         setresuid(OtherUser, OtherUser, OtherUser) != 0))
      _exit(77);
    if (access(locked.c_str(), W_OK) == 0 || access(file.c_str(), W_OK) != 0) _exit(77);
    _exit(body(file) ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 1;
  return WEXITSTATUS(status);
}

class ReadOnlyFolderTest : public AtomicFilePathsTest {
 protected:
  void SetUp() override {
    locked = Path("locked");
    ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
    file = folder.Write("locked/notes.txt", "old notes");
    ASSERT_EQ(chmod(file.c_str(), 0644), 0);
    if (geteuid() == 0) {
      // The other user reaches the folder and owns the file, not the folder.
      ASSERT_EQ(chmod(folder.Path().c_str(), 0711), 0);
      ASSERT_EQ(chown(file.c_str(), OtherUser, OtherGroup), 0);
    }
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  }
  void TearDown() override { chmod(locked.c_str(), 0755); }

  std::string locked;
  std::string file;
};

TEST_F(ReadOnlyFolderTest, AWritableFileIsWrittenInPlace) {
  const int code = InChildThatCannotWriteTheFolder(locked, file, [](const std::string& path) {
    return SaveFileAtomically(path, "new notes, longer", 17) &&
           SaveFileAtomically(path, "short", 5);
  });
  if (code == 77) GTEST_SKIP() << "cannot run a save that may not write the folder";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadAll(file), "short");
  EXPECT_EQ(Entries(locked), std::vector<std::string>{"notes.txt"});
}

TEST_F(ReadOnlyFolderTest, AFailedWriteInPlacePutsTheOldContentBack) {
  const int code = InChildThatCannotWriteTheFolder(locked, file, [](const std::string& path) {
    SmallFileLimit limit;
    const std::string big(1 << 20, 'z');
    // The save must fail, and a new file still cannot be made.
    return !SaveFileAtomically(path, big.data(), big.size()) &&
           !SaveFileAtomically(path + ".new", "x", 1);
  });
  if (code == 77) GTEST_SKIP() << "cannot run a save that may not write the folder";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadAll(file), "old notes");
  EXPECT_EQ(Entries(locked), std::vector<std::string>{"notes.txt"});
}

}  // namespace
}  // namespace varnalux
