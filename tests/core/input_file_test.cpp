// Reading a file to send: regular files only, bounded by the limit, and no
// wait on FIFOs or endless devices.
#include "protocol/input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

class InputFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = folder.Path(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  testing::TempFolder folder;
  const std::string& dir = folder.Path();
};

// Reads "-" while standard input is a pipe that holds data.
InputFileResult ReadPipedStdin(const std::string& data, size_t limit, std::vector<uint8_t>& bytes) {
  int fds[2];
  if (pipe(fds) != 0) return InputFileResult::ReadFailed;
  EXPECT_EQ(write(fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
  close(fds[1]);
  const int savedIn = dup(STDIN_FILENO);
  dup2(fds[0], STDIN_FILENO);
  close(fds[0]);
  const InputFileResult result = ReadInputFile("-", limit, bytes);
  dup2(savedIn, STDIN_FILENO);
  close(savedIn);
  return result;
}

TEST_F(InputFileTest, RegularFilesAreReadWholeUpToTheLimit) {
  std::vector<uint8_t> bytes{1, 2, 3};
  const std::string content("SIZE 4,2\r\n\0\xff", 12);
  const std::string path = Write("cmd.txt", content);
  ASSERT_EQ(ReadInputFile(path, 100, bytes), InputFileResult::Ok);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
  // Exactly at the limit is fine; one byte more is refused and nothing kept.
  EXPECT_EQ(ReadInputFile(path, content.size(), bytes), InputFileResult::Ok);
  EXPECT_EQ(ReadInputFile(path, content.size() - 1, bytes), InputFileResult::TooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadInputFile(Write("empty", ""), 10, bytes), InputFileResult::Ok);
  EXPECT_TRUE(bytes.empty());
}

TEST_F(InputFileTest, OtherKindsOfFileAreRefusedAtOnce) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(ReadInputFile(dir + "/missing", 10, bytes), InputFileResult::OpenFailed);
  EXPECT_EQ(ReadInputFile(dir, 10, bytes), InputFileResult::NotRegular);
  // An endless device is not read at all.
  EXPECT_EQ(ReadInputFile("/dev/zero", MostSendBytes, bytes), InputFileResult::NotRegular);
  EXPECT_TRUE(bytes.empty());
  // A FIFO without a writer would block a plain open; it is refused.
  const std::string fifo = dir + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadInputFile(fifo, 10, bytes), InputFileResult::NotRegular);
  EXPECT_STREQ(InputFileProblem(InputFileResult::NotRegular), "is not a regular file");
}

TEST_F(InputFileTest, StandardInputStopsAtTheLimit) {
  std::vector<uint8_t> bytes;
  const InputFileResult result = ReadPipedStdin(std::string(5000, 'a'), 4096, bytes);
  EXPECT_EQ(result, InputFileResult::TooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_NE(std::string(InputFileProblem(result)).find("too large"), std::string::npos);
  // Within the limit it is read whole.
  EXPECT_EQ(ReadPipedStdin("PRINT 1\r\n", 9, bytes), InputFileResult::Ok);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "PRINT 1\r\n");
}

}  // namespace
}  // namespace varnalux
