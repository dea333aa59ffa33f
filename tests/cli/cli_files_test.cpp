// What varnalux-cli reads and writes on the computer: send takes regular
// files and standard input only; saves keep links, modes and the previous
// file when they fail.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli_runner.h"
#include "sim/virtual_printer.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

using testing::CliResult;
using testing::RunCli;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(printer.StartTcp("127.0.0.1", 0));
    tcp = "127.0.0.1:" + std::to_string(printer.TcpPort());
  }
  std::string Path(const std::string& name) const { return folder.Path(name); }

  sim::VirtualPrinter printer;
  std::string tcp;
  testing::TempFolder folder;
  const std::string& dir = folder.Path();
};

TEST_F(CliFiles, SendRefusesWhatIsNotARegularFileAtOnce) {
  // An endless device: refused without reading it (a limit of 2 GiB would
  // otherwise be read first); a FIFO without a writer: refused, no hang.
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), fifo, dir}) {
    CliResult r = RunCli({"--tcp", tcp, "send", path}, "", 10000);
    EXPECT_EQ(r.exitCode, 4) << path << ": " << r.err;
    EXPECT_NE(r.err.find("is not a regular file"), std::string::npos) << r.err;
  }
  CliResult r = RunCli({"--tcp", tcp, "send", Path("missing")});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("cannot be opened"), std::string::npos) << r.err;
  EXPECT_TRUE(printer.Received().empty());
}

TEST_F(CliFiles, ReadConfigSaveThroughALinkKeepsTheLinkAndMode) {
  const std::string target = Path("real.dcf");
  std::ofstream(target) << "old";
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.dcf", Path("link.dcf").c_str()), 0);
  CliResult r = RunCli({"--tcp", tcp, "read-config", "--save", Path("link.dcf")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.dcf")));
  EXPECT_EQ(Slurp(target).size(), 477u);
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(CliFiles, ReadConfigSaveToStandardOutputWritesInPlace) {
  // Standard output is the runner's pipe: the file goes into it, nothing is
  // created or replaced.
  CliResult r = RunCli({"--tcp", tcp, "read-config", "--save", "/dev/stdout"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The listing first, then the file's 477 bytes.
  const size_t magic = r.out.find(std::string("\xAA\x55\x00\x00", 4));
  ASSERT_NE(magic, std::string::npos);
  EXPECT_GT(magic, 0u);
  EXPECT_EQ(r.out[magic - 1], '\n');
  EXPECT_EQ(r.out.size() - magic, 477u);
  struct stat info;
  ASSERT_EQ(lstat("/dev/stdout", &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(CliFiles, DumpToAFileThroughALinkReplacesTheTarget) {
  const std::string header = "DUMP_TEXT SAVE 1000,\"Dump.txt\",";
  ASSERT_EQ(RunCli({"--tcp", tcp, "send", "-"}, header + "body").exitCode, 0);
  printer.ClearReceived();
  const std::string target = Path("dump.txt");
  std::ofstream(target) << "previous dump";
  ASSERT_EQ(symlink(target.c_str(), Path("latest").c_str()), 0);
  CliResult r = RunCli({"--tcp", tcp, "dump-text", "file", Path("latest")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_symlink(Path("latest")));
  EXPECT_EQ(Slurp(target), "body" + header + "\r\n");
}

TEST_F(CliFiles, DumpThatCannotBeWrittenWholeKeepsThePreviousFile) {
  const std::string header = "DUMP_TEXT SAVE 1000,\"Dump.txt\",";
  ASSERT_EQ(RunCli({"--tcp", tcp, "send", "-"}, header + std::string(300, 'd')).exitCode, 0);
  printer.ClearReceived();
  const std::string target = Path("dump.txt");
  std::ofstream(target) << "previous dump";
  // The tool runs under a file size limit below the dump's size, so its
  // write fails part way as on a full disk (the limit and the ignored
  // signal pass on to the child).
  struct rlimit saved {
  }, small{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  CliResult r = RunCli({"--tcp", tcp, "dump-text", "file", target});
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(target), "previous dump");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(CliShowConfig, UnitAboveOneIsMillimetres) {
  testing::TempFolder folder;
  const std::string path = folder.Path("unit.dcf");
  // A configuration file with unit 7 and an otherwise empty record.
  std::string image(477, '\0');
  image[0] = '\xAA';
  image[1] = '\x55';
  image[4] = 1;
  image[8] = 7;
  std::ofstream(path, std::ios::binary) << image;
  CliResult r = RunCli({"show-config", path});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("unit: 7 (mm)\n"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace varnalux
