// Reading a file to send it piece by piece: regular files only (no wait on
// FIFOs or endless devices), the size taken at the open and held to, and
// standard input delivered as it comes.
#include "base/input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "protocol/file_manager.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

class InputFileTest : public ::testing::Test {
 protected:
  testing::TempFolder folder;
  const std::string& dir = folder.Path();
};

// Everything the file delivers, reading at most room bytes at a time; the
// result of the read that ended it.
InputFileResult ReadAll(InputFile& file, size_t room, std::string& out) {
  std::vector<uint8_t> buffer(room);
  for (;;) {
    size_t count = 0;
    InputFileResult r = file.Read(buffer.data(), buffer.size(), count);
    if (r != InputFileResult::Ok || count == 0) return r;
    out.append(buffer.begin(), buffer.begin() + static_cast<long>(count));
  }
}

TEST_F(InputFileTest, ARegularFileIsReadInPiecesToExactlyItsSize) {
  const std::string content("SIZE 4,2\r\n\0\xff tail", 17);
  const std::string path = folder.Write("cmd.txt", content);
  InputFile file;
  ASSERT_EQ(file.Open(path), InputFileResult::Ok);
  EXPECT_TRUE(file.SizeKnown());
  EXPECT_EQ(file.Size(), content.size());
  std::string got;
  EXPECT_EQ(ReadAll(file, 5, got), InputFileResult::Ok);
  EXPECT_EQ(got, content);
  EXPECT_EQ(file.Taken(), content.size());

  InputFile empty;
  ASSERT_EQ(empty.Open(folder.Write("empty", "")), InputFileResult::Ok);
  got.clear();
  EXPECT_EQ(ReadAll(empty, 5, got), InputFileResult::Ok);
  EXPECT_TRUE(got.empty());
}

TEST_F(InputFileTest, OtherKindsOfFileAreRefusedAtOnce) {
  InputFile file;
  EXPECT_EQ(file.Open(dir + "/missing"), InputFileResult::OpenFailed);
  EXPECT_EQ(file.Open(dir), InputFileResult::NotRegular);
  // An endless device is not read at all.
  EXPECT_EQ(file.Open("/dev/zero"), InputFileResult::NotRegular);
  // A FIFO without a writer would block a plain open; it is refused.
  EXPECT_EQ(file.Open(folder.Fifo("fifo")), InputFileResult::NotRegular);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_STREQ(InputFileProblem(InputFileResult::NotRegular), "is not a regular file");
}

TEST_F(InputFileTest, TheBoundIsCheckedFromTheSizeWithoutReadingAndIsNotThe32BitCount) {
  // A sparse file: 3 GiB on paper, nothing on the disk.
  const std::string path = folder.Path("sparse.bin");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const uint64_t big = 3ull << 30;
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(big)), 0);
  close(fd);
  InputFile bounded;
  EXPECT_EQ(bounded.Open(path, DownloadSizeMax), InputFileResult::TooLarge);
  uint64_t size = 0;
  EXPECT_EQ(LocalFileSize(path, DownloadSizeMax, size), LocalFileError::TooLarge);
  // Without a bound it opens with its whole size, beyond any 32-bit count.
  InputFile unbounded;
  ASSERT_EQ(unbounded.Open(path), InputFileResult::Ok);
  EXPECT_EQ(unbounded.Size(), big);
  uint8_t buffer[4096];
  size_t count = 0;
  ASSERT_EQ(unbounded.Read(buffer, sizeof buffer, count), InputFileResult::Ok);
  EXPECT_EQ(count, sizeof buffer);
}

TEST_F(InputFileTest, AFileThatGrowsOrShrinksWhileReadFailsAndNeverGivesMoreThanItsSize) {
  const std::string path = folder.Write("grows.bin", std::string(1000, 'a'));
  InputFile grows;
  ASSERT_EQ(grows.Open(path), InputFileResult::Ok);
  {
    FILE* f = fopen(path.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    fputs("more", f);
    fclose(f);
  }
  std::string got;
  EXPECT_EQ(ReadAll(grows, 300, got), InputFileResult::SizeChanged);
  EXPECT_EQ(got, std::string(1000, 'a'));

  const std::string other = folder.Write("shrinks.bin", std::string(1000, 'b'));
  InputFile shrinks;
  ASSERT_EQ(shrinks.Open(other), InputFileResult::Ok);
  ASSERT_EQ(truncate(other.c_str(), 600), 0);
  got.clear();
  EXPECT_EQ(ReadAll(shrinks, 256, got), InputFileResult::SizeChanged);
  EXPECT_EQ(got, std::string(600, 'b'));
  EXPECT_EQ(LocalFileErrorOf(InputFileResult::SizeChanged), LocalFileError::CannotOpen);
}

// Standard input for the length of a scope: the read end of a pipe.
class PipedStdin {
 public:
  PipedStdin() {
    EXPECT_EQ(pipe(fds_), 0);
    saved_ = dup(STDIN_FILENO);
    dup2(fds_[0], STDIN_FILENO);
    close(fds_[0]);
  }
  ~PipedStdin() {
    CloseWriter();
    dup2(saved_, STDIN_FILENO);
    close(saved_);
  }
  void Write(const std::string& bytes) {
    EXPECT_EQ(write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void CloseWriter() {
    if (fds_[1] >= 0) close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
  int saved_ = -1;
};

TEST_F(InputFileTest, StandardInputGivesWhatHasComeWithoutWaitingForTheRest) {
  PipedStdin input;
  InputFile file;
  ASSERT_EQ(file.OpenStandardInput(), InputFileResult::Ok);
  EXPECT_FALSE(file.SizeKnown());
  input.Write("PRINT 1\r\n");
  // The writer stays open: a read that waited to fill its buffer would not
  // return until the writer goes.
  std::vector<uint8_t> buffer(65536);
  auto first = std::async(std::launch::async, [&] {
    size_t count = 0;
    InputFileResult r = file.Read(buffer.data(), buffer.size(), count);
    return r == InputFileResult::Ok ? count : size_t{0};
  });
  const bool returned = first.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  if (!returned) input.CloseWriter();  // lets the read end, so the test does
  ASSERT_TRUE(returned);
  ASSERT_EQ(first.get(), 9u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 9), "PRINT 1\r\n");
  input.Write("CLS\r\n");
  input.CloseWriter();
  std::string rest;
  EXPECT_EQ(ReadAll(file, 4, rest), InputFileResult::Ok);
  EXPECT_EQ(rest, "CLS\r\n");
  EXPECT_EQ(file.Taken(), 14u);
}

}  // namespace
}  // namespace varnalux
