// The command-line tool's device listing, run as a program on the emulated
// bus (it inherits the emulation from this process's environment).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/usb/usb_fixture.h"

namespace varnalux {
namespace {

using DevicesCommandTest = test::UsbTest;

std::string RunCli(const std::string& arguments, int& status) {
  std::string command = std::string(VARNALUX_CLI_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return {};
  }
  std::string out;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

TEST_F(DevicesCommandTest, ListsTheVendorsUsbDevicesAndThePortMappings) {
  AddPrinter(2, 0x04b8, 0x0005);  // another maker's device
  AddPrinter(3, 0x1203, 0x0101);
  char lpt[] = "/tmp/varnalux-lpt-XXXXXX";
  int fd = mkstemp(lpt);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("VARNALUX_LPT2", lpt, 1);
  int status = -1;
  std::string out = RunCli("devices", status);
  unsetenv("VARNALUX_LPT2");
  unlink(lpt);
  EXPECT_EQ(status, 0) << out;

  std::vector<std::string> usb = LinesStartingWith(out, "  bus ");
  ASSERT_EQ(usb.size(), 1u) << out;
  EXPECT_NE(usb[0].find("bus 001 address 003"), std::string::npos) << usb[0];
  EXPECT_NE(usb[0].find("product 0101"), std::string::npos) << usb[0];
  EXPECT_NE(usb[0].find("can open: yes"), std::string::npos) << usb[0];
  EXPECT_NE(out.find("USB printers (vendor 1203):"), std::string::npos) << out;

  EXPECT_EQ(LinesStartingWith(out, "  COM").size(), 30u) << out;
  std::vector<std::string> lpts = LinesStartingWith(out, "  LPT");
  ASSERT_EQ(lpts.size(), 4u) << out;
  EXPECT_NE(lpts[1].find(lpt), std::string::npos) << lpts[1];
  EXPECT_NE(lpts[1].find("environment"), std::string::npos) << lpts[1];
  EXPECT_NE(lpts[1].find(" present"), std::string::npos) << lpts[1];
  EXPECT_NE(lpts[2].find("/dev/lp2"), std::string::npos) << lpts[2];
  EXPECT_NE(lpts[2].find("built-in"), std::string::npos) << lpts[2];
}

TEST_F(DevicesCommandTest, SaysWhenNoPrinterIsPresent) {
  AddPrinter(2, 0x04b8);
  int status = -1;
  std::string out = RunCli("devices", status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_TRUE(LinesStartingWith(out, "  bus ").empty()) << out;
  EXPECT_NE(out.find("none present"), std::string::npos) << out;
  RunCli("devices extra", status);
  EXPECT_EQ(status, 64);
}

}  // namespace
}  // namespace varnalux
