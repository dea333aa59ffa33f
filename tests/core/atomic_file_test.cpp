// Saving a file so that a failure never destroys the previous one: full
// disks, symbolic links, read-only files, devices and FIFOs.
#include "base/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Names in a folder, to see that no half-written file stays behind.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class AtomicFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder.Path(name); }

  testing::TempFolder folder;
  const std::string& dir = folder.Path();
};

TEST_F(AtomicFileTest, NewAndReplacedFilesHoldExactlyTheBytes) {
  const std::string path = Path("a.txt");
  const std::string first("one\0two", 7);
  ASSERT_TRUE(SaveFileAtomically(path, first.data(), first.size()));
  EXPECT_EQ(ReadAll(path), first);
  // A shorter second save leaves nothing of the first one.
  ASSERT_TRUE(SaveFileAtomically(path, "x", 1));
  EXPECT_EQ(ReadAll(path), "x");
  ASSERT_TRUE(SaveFileAtomically(path, "", 0));
  EXPECT_EQ(ReadAll(path), "");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"a.txt"});
}

TEST_F(AtomicFileTest, DiscardedOrUncommittedSavesLeaveThePreviousFile) {
  const std::string path = Path("keep.txt");
  WriteRaw(path, "previous");
  {
    AtomicFile file;
    ASSERT_TRUE(file.Open(path));
    ASSERT_TRUE(file.Write("new content", 11));
    // Never committed: the object goes out of scope.
  }
  EXPECT_EQ(ReadAll(path), "previous");
  AtomicFile file;
  ASSERT_TRUE(file.Open(path));
  file.Write("abc", 3);
  file.Discard();
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(ReadAll(path), "previous");
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"keep.txt"});
}

TEST_F(AtomicFileTest, ModeOfTheReplacedFileIsKept) {
  const std::string path = Path("mode.txt");
  WriteRaw(path, "old");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(SaveFileAtomically(path, "new", 3));
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadAll(path), "new");
}

TEST_F(AtomicFileTest, ReadOnlyFileIsReplacedOnlyWhereTheUserMayWriteIt) {
  const std::string path = Path("ro.txt");
  WriteRaw(path, "read only");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const bool mayWrite = access(path.c_str(), W_OK) == 0;  // root may
  EXPECT_EQ(SaveFileAtomically(path, "changed", 7), mayWrite);
  EXPECT_EQ(ReadAll(path), mayWrite ? "changed" : "read only");
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"ro.txt"});
}

TEST_F(AtomicFileTest, SymbolicLinksStayAndTheirTargetIsReplaced) {
  fs::create_directory(Path("real"));
  const std::string target = Path("real/config.dcf");
  WriteRaw(target, "old target");
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  // A relative link in another folder, and a link to that link.
  ASSERT_EQ(symlink("real/config.dcf", Path("link.dcf").c_str()), 0);
  ASSERT_EQ(symlink("link.dcf", Path("link2.dcf").c_str()), 0);

  ASSERT_TRUE(SaveFileAtomically(Path("link2.dcf"), "via two links", 13));
  EXPECT_TRUE(fs::is_symlink(Path("link.dcf")));
  EXPECT_TRUE(fs::is_symlink(Path("link2.dcf")));
  EXPECT_EQ(ReadAll(target), "via two links");
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Entries(Path("real")), std::vector<std::string>{"config.dcf"});

  // A dangling link creates its target; the link stays a link.
  ASSERT_EQ(symlink("real/new.txt", Path("dangling").c_str()), 0);
  ASSERT_TRUE(SaveFileAtomically(Path("dangling"), "made", 4));
  EXPECT_TRUE(fs::is_symlink(Path("dangling")));
  EXPECT_EQ(ReadAll(Path("real/new.txt")), "made");
}

TEST_F(AtomicFileTest, LongNamesStillGetATemporaryFile) {
  const std::string path = Path(std::string(250, 'n'));
  ASSERT_TRUE(SaveFileAtomically(path, "long", 4));
  EXPECT_EQ(ReadAll(path), "long");
}

TEST_F(AtomicFileTest, MissingFolderOrAFolderAsTargetFails) {
  EXPECT_FALSE(SaveFileAtomically(Path("no/such/file"), "x", 1));
  EXPECT_FALSE(SaveFileAtomically(dir, "x", 1));
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_FALSE(SaveFileAtomically("", "x", 1));
  EXPECT_TRUE(Entries(dir).empty());
}

// The target, an old file, is kept whole when the new content cannot be
// written completely; no temporary file is left.
void ExpectFailedSaveKeepsTheOldFile(const std::string& folder) {
  const std::string path = folder + "/big.txt";
  WriteRaw(path, "precious old content");
  ASSERT_EQ(ReadAll(path), "precious old content");
  const std::string big(1 << 20, 'z');
  EXPECT_FALSE(SaveFileAtomically(path, big.data(), big.size()));
  EXPECT_EQ(ReadAll(path), "precious old content");
  EXPECT_EQ(Entries(folder), std::vector<std::string>{"big.txt"});
  // Something small still fits afterwards.
  EXPECT_TRUE(SaveFileAtomically(path, "small", 5));
  EXPECT_EQ(ReadAll(path), "small");
}

TEST_F(AtomicFileTest, FullFileSystemKeepsThePreviousFile) {
  const std::string mountPoint = Path("small");
  fs::create_directory(mountPoint);
  if (mount("varnalux-test", mountPoint.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here (errno " << errno
                 << "); the file size limit test covers the same path";
  ExpectFailedSaveKeepsTheOldFile(mountPoint);
  EXPECT_EQ(umount(mountPoint.c_str()), 0);
}

// Writes past the process's file size limit fail with EFBIG, as writes to a
// full disk fail with ENOSPC: the same failure on any machine, without root.
TEST_F(AtomicFileTest, WriteFailureKeepsThePreviousFile) {
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  struct rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ExpectFailedSaveKeepsTheOldFile(dir);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
}

TEST_F(AtomicFileTest, DevicesAreWrittenInPlaceNeverReplaced) {
  // /dev/null takes the bytes and stays the device.
  EXPECT_TRUE(SaveFileAtomically("/dev/null", "gone", 4));
  struct stat info;
  ASSERT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  // /dev/full refuses every byte: the save fails and the device stays.
  if (access("/dev/full", W_OK) == 0) {
    EXPECT_FALSE(SaveFileAtomically("/dev/full", "x", 1));
    ASSERT_EQ(stat("/dev/full", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }
}

TEST_F(AtomicFileTest, StandardOutputAsAPipeIsWrittenInPlace) {
  // /dev/stdout is a link to /proc/self/fd/1; the same path for another
  // descriptor shows what happens when standard output is a pipe.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string path = "/proc/self/fd/" + std::to_string(fds[1]);
  EXPECT_TRUE(SaveFileAtomically(path, "through the pipe", 16));
  char buf[64] = {};
  ssize_t n = read(fds[0], buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<size_t>(n) : 0), "through the pipe");
  struct stat info;
  ASSERT_EQ(fstat(fds[1], &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  close(fds[0]);
  close(fds[1]);
}

TEST_F(AtomicFileTest, FifoIsWrittenWhenReadAndRefusedAtOnceWithoutAReader) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // No reader: refused without waiting for one.
  EXPECT_FALSE(SaveFileAtomically(fifo, "x", 1));

  std::string got;
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(SaveFileAtomically(fifo, "fifo bytes", 10));
  char buf[32] = {};
  ssize_t n = read(reader, buf, sizeof buf);
  if (n > 0) got.assign(buf, static_cast<size_t>(n));
  close(reader);
  EXPECT_EQ(got, "fifo bytes");
  struct stat info;
  ASSERT_EQ(stat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"fifo"});
}

}  // namespace
}  // namespace varnalux
