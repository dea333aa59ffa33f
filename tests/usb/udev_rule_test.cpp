// The udev rule generated for the configured vendor, and its installer.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "link/usb_devices.h"
#include "link/usb_link.h"

namespace varnalux {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(UdevRule, MatchesTheConfiguredVendorAndSortsBeforeTheSeatRules) {
  std::string rule = ReadFile(VARNALUX_UDEV_RULE);
  ASSERT_FALSE(rule.empty());
  char vendor[8];
  snprintf(vendor, sizeof vendor, "%04x", PrinterVendorId());  // as sysfs shows it
  EXPECT_NE(rule.find(std::string("ATTR{idVendor}==\"") + vendor + "\""), std::string::npos)
      << rule;
  EXPECT_NE(rule.find("SUBSYSTEM==\"usb\""), std::string::npos);
  EXPECT_NE(rule.find("TAG+=\"uaccess\""), std::string::npos);
  EXPECT_NE(rule.find("MODE=\"0660\""), std::string::npos);
  EXPECT_EQ(rule.find('@'), std::string::npos) << "a placeholder was left: " << rule;
  // logind's 73-seat-late.rules acts on the tag only for rules read before it.
  std::string name =
      std::string(VARNALUX_UDEV_RULE).substr(std::string(VARNALUX_UDEV_RULE).rfind('/') + 1);
  EXPECT_LT(name, std::string("73-seat-late.rules"));
}

TEST(UdevRule, TheInstallerWritesTheRuleIntoTheGivenDirectory) {
  char dir[] = "/tmp/varnalux-udev-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string command = std::string("bash '") + VARNALUX_SOURCE_DIR +
                        "/scripts/install-udev-rule.sh' --vendor 0A5f --dest '" + dir +
                        "' >/dev/null";
  int status = system(command.c_str());
  std::string installed = std::string(dir) + "/60-varnalux-printer.rules";
  std::string rule = ReadFile(installed);
  unlink(installed.c_str());
  rmdir(dir);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(rule.find("ATTR{idVendor}==\"0a5f\""), std::string::npos) << rule;
  EXPECT_EQ(rule.find('@'), std::string::npos) << rule;
}

}  // namespace
}  // namespace varnalux
