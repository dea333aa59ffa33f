// Printer names, file list lines and reading the chosen local file.
#include "protocol/file_names.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/input_file.h"
#include "protocol/file_manager.h"
#include "tests/support/temp_folder.h"

namespace varnalux {
namespace {

using Items = std::vector<std::string>;

TEST(PrinterName, TheBrowseRuleOnItsWorkedExamples) {
  // The first step takes .bmp off, the last replaces .logo.
  EXPECT_EQ(PrinterNameFromPath("/home/u/my.logo.bmp", ".BMP"), "my.BMP");
  EXPECT_EQ(PrinterNameFromPath("/home/u/averylongname.bmp", ".BMP"), "averylon.BMP");
  EXPECT_EQ(PrinterNameFromPath("/home/u/averylongname.bmp", ""), "averylon");
  EXPECT_EQ(PrinterNameFromPath("/home/u/my.logo.bmp", ""), "my");
  // A dot inside the first eight characters survives the cut as an extension.
  EXPECT_EQ(PrinterNameFromPath("/x/ab.cdefghijk.txt", ".BAS"), "ab.BAS");
  // Folder names with dots play no part; no extension at all is kept whole.
  EXPECT_EQ(PrinterNameFromPath("/a.b/c.d/LABEL", ".PCX"), "LABEL.PCX");
  EXPECT_EQ(PrinterNameFromPath("plain", ""), "plain");
  // Exactly eight characters are not cut.
  EXPECT_EQ(PrinterNameFromPath("/x/ABCDEFGH.ttf", ".TTF"), "ABCDEFGH.TTF");
}

TEST(PrinterName, FileTypesGiveTheirExtensionAndNoSelectionActsAsData) {
  EXPECT_STREQ(FileTypeAt(0).extension, ".BMP");
  EXPECT_STREQ(FileTypeAt(FileTypeTrueTypeFont).filter, "*.TTF|*.TTF");
  EXPECT_STREQ(FileTypeAt(3).extension, "");
  EXPECT_STREQ(FileTypeAt(3).filter, "");
  EXPECT_TRUE(FileTypeAt(FileTypeFirmware).sentUnchanged);
  EXPECT_TRUE(FileTypeAt(FileTypeKvx).sentUnchanged);
  EXPECT_FALSE(FileTypeAt(4).sentUnchanged);
  EXPECT_STREQ(FileTypeAt(-1).filter, "*.*|*.*");
  EXPECT_FALSE(FileTypeAt(-1).sentUnchanged);
  EXPECT_STREQ(FileTypeAt(8).item, "Data File");
}

TEST(PrinterName, OnlyPrintableAsciiTravelsAndOtherCharactersAreNamed) {
  EXPECT_EQ(PrinterNameProblem("LOGO.BMP"), "");
  EXPECT_EQ(PrinterNameProblem("a b-c_d~!.X"), "");
  EXPECT_NE(PrinterNameProblem(""), "");
  EXPECT_NE(PrinterNameProblem("A\"B").find("double quote"), std::string::npos);
  EXPECT_NE(PrinterNameProblem("A\r\nKILL").find("control character"), std::string::npos);
  EXPECT_NE(PrinterNameProblem(std::string("A\x1b!R", 4)), "");
  EXPECT_NE(PrinterNameProblem("A\x7f"), "");
  // Characters outside ASCII are refused and named, each once, whatever
  // bytes stand for them; a byte that is no UTF-8 character shows as \xNN.
  EXPECT_EQ(PrinterNameProblem("Gr\xC3\xB6\xC3\x9F\xC3\xB6.BMP"),
            "The file name in the printer may hold only ASCII characters: \"\xC3\xB6\", "
            "\"\xC3\x9F\" are not");
  EXPECT_EQ(PrinterNameProblem("a.\xE2\x82\xAC"),
            "The file name in the printer may hold only ASCII characters: \"\xE2\x82\xAC\" is "
            "not one");
  EXPECT_EQ(PrinterNameProblem("Gr\xF6\xDF"),
            "The file name in the printer may hold only ASCII characters: \"\\xF6\", "
            "\"\\xDF\" are not");
}

TEST(PrinterName, TheCutToEightCharactersNeverSplitsOne) {
  // Gr\xC3\xB6\xC3\x9F enangabe: eight characters end after "enan".
  EXPECT_EQ(PrinterNameFromPath("/x/Gr\xC3\xB6\xC3\x9F" "enangabe.bmp", ".BMP"),
            "Gr\xC3\xB6\xC3\x9F" "enan.BMP");
  // Eight three-byte characters are kept whole; a ninth goes.
  const std::string nine = "\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5"
                           "\xE6\x97\xA5\xE6\x97\xA5\xE6\x97\xA5";
  EXPECT_EQ(PrinterNameFromPath("/x/" + nine + ".txt", ""), nine.substr(0, 24));
  // A stray byte counts as one character.
  EXPECT_EQ(PrinterNameFromPath("/x/\xFF\xFE" "abcdefgh", ""), "\xFF\xFE" "abcdef");
}

TEST(PrinterName, FixedTablesHoldTheWireText) {
  EXPECT_STREQ(DevicePrefixes[DeviceDram], "");
  EXPECT_STREQ(DevicePrefixes[DeviceFlash], "F,");
  EXPECT_STREQ(DevicePrefixes[DeviceCard], "E,");
  EXPECT_STREQ(FormatCommands[DeviceDram], "KILL \"*.*\"\r\n");
  EXPECT_STREQ(FormatCommands[DeviceFlash], "KILL F,\"*.*\"\r\n");
  EXPECT_STREQ(FormatCommands[DeviceCard], "KILL E,\"*.*\"\r\n");
}

TEST(FileListLines, EveryKindOfLineEndEndsALine) {
  EXPECT_EQ(FileListItems("A.BAS\r\nB.PCX\r\n"), (Items{"A.BAS", "B.PCX"}));
  EXPECT_EQ(FileListItems("A\rB\nC\r\nD"), (Items{"A", "B", "C", "D"}));
  // LF CR is two line ends; an empty line in the middle is an item.
  EXPECT_EQ(FileListItems("A\n\rB\r\n"), (Items{"A", "", "B"}));
  EXPECT_EQ(FileListItems("A\r\n\r\nB\r\n"), (Items{"A", "", "B"}));
  EXPECT_EQ(FileListItems(""), Items{});
  EXPECT_EQ(FileListItems("\r\n"), Items{""});
  EXPECT_EQ(FileListItems(nullptr), Items{});
  // A lone CR at the very end is the final line end too.
  EXPECT_EQ(FileListItems("LAST\r"), Items{"LAST"});
}

class LocalFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    return folder_.Write(name, bytes);
  }
  testing::TempFolder folder_;
  const std::string& dir_ = folder_.Path();
};

TEST_F(LocalFileTest, ARegularFileGivesItsSize) {
  std::string data("A\r\n\x1b\0Z", 6);
  std::string path = Write("data.bin", data);
  uint64_t size = 99;
  EXPECT_EQ(LocalFileSize(path, 100, size), LocalFileError::None);
  EXPECT_EQ(size, 6u);
  // An empty file is a file too.
  EXPECT_EQ(LocalFileSize(Write("empty", ""), 100, size), LocalFileError::None);
  EXPECT_EQ(size, 0u);
}

TEST_F(LocalFileTest, FifosFoldersAndMissingFilesAreRefusedWithoutBlocking) {
  std::string fifo = folder_.Fifo("pipe");
  uint64_t size = 0;
  // No writer on the FIFO: a blocking open would hang here.
  EXPECT_EQ(LocalFileSize(fifo, DownloadSizeMax, size), LocalFileError::NotRegular);
  EXPECT_EQ(LocalFileSize(dir_, DownloadSizeMax, size), LocalFileError::NotRegular);
  EXPECT_EQ(LocalFileSize("/dev/zero", DownloadSizeMax, size), LocalFileError::NotRegular);
  EXPECT_EQ(LocalFileSize(dir_ + "/missing", DownloadSizeMax, size), LocalFileError::CannotOpen);
  EXPECT_STREQ(LocalFileMessage(LocalFileError::CannotOpen), "Open File Error");
}

TEST_F(LocalFileTest, AFileOverTheBoundIsRefused) {
  std::string path = Write("big", std::string(101, 'x'));
  uint64_t size = 0;
  EXPECT_EQ(LocalFileSize(path, 100, size), LocalFileError::TooLarge);
  EXPECT_EQ(LocalFileSize(path, 101, size), LocalFileError::None);
  EXPECT_EQ(size, 101u);
  // The bound itself leaves the size inside a 32-bit signed count.
  EXPECT_LE(uint64_t{DownloadSizeMax}, uint64_t{0x7FFFFFFF});
}

}  // namespace
}  // namespace varnalux
