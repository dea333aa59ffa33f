#include "protocol/config_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace varnalux {
namespace {

// The image written out by hand from the file layout (offsets from the
// layout table, little-endian), independently of the builder.
class HandImage {
 public:
  HandImage() : bytes(477, 0) {}
  void U8(size_t at, uint8_t v) { bytes.at(at) = v; }
  void U32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
  }
  void F32(size_t at, float v) {
    uint32_t bits;
    memcpy(&bits, &v, 4);
    U32(at, bits);
  }
  void Text(size_t at, const char* s) { memcpy(&bytes.at(at), s, strlen(s)); }
  std::vector<uint8_t> bytes;
};

// Every field with a value of its own, and the same in the hand image.
void Distinct(PrinterConfig& c, HandImage& h) {
  ResetConfig(c);
  strcpy(c.version, "V1.16 EZ");
  strcpy(c.milage, "1234.5");
  strcpy(c.checksum, "8A3F");
  h.U32(0, 0x000055AA);
  h.U32(4, 1);
  h.U32(8, 1);
  h.Text(12, "V1.16 EZ");
  h.Text(268, "1234.5");
  h.Text(284, "8A3F");
  c.dpiValid = 1, c.dpi = 203.0f, c.dotsPerMm = 8.0f;
  h.U8(300, 1), h.F32(301, 203.0f), h.F32(305, 8.0f);
  struct F {
    uint8_t* flag;
    float* value;
    size_t at;
  };
  float fv = 1.25f;
  for (F f : {F{&c.speedValid, &c.speed, 309}, F{&c.paperWidthValid, &c.paperWidth, 324},
              F{&c.paperHeightValid, &c.paperHeight, 329}, F{&c.gapSizeValid, &c.gapSize, 339},
              F{&c.gapOffsetValid, &c.gapOffset, 344}}) {
    *f.flag = 1, *f.value = fv;
    h.U8(f.at, 1), h.F32(f.at + 1, fv);
    fv = fv * 3.5f - 0.1f;
  }
  struct I {
    uint8_t* flag;
    int32_t* value;
    size_t at;
  };
  int32_t iv = -70000;
  for (I f : {I{&c.densityValid, &c.density, 314},
              I{&c.densityBaseValid, &c.densityBase, 319},
              I{&c.sensorModeValid, &c.sensorMode, 334},
              I{&c.printOutValid, &c.printOut, 349},
              I{&c.cutterPieceValid, &c.cutterPiece, 354},
              I{&c.referenceXValid, &c.referenceX, 359},
              I{&c.referenceYValid, &c.referenceY, 364},
              I{&c.directionValid, &c.direction, 369},
              I{&c.mirrorValid, &c.mirror, 374},
              I{&c.offsetValid, &c.offset, 379},
              I{&c.offsetBaseValid, &c.offsetBase, 384},
              I{&c.shiftValid, &c.shift, 389},
              I{&c.shiftBaseValid, &c.shiftBase, 394},
              I{&c.shiftXValid, &c.shiftX, 399},
              I{&c.shiftXBaseValid, &c.shiftXBase, 404},
              I{&c.ribbonValid, &c.ribbon, 409},
              I{&c.codePageValid, &c.codePage, 414},
              I{&c.countryValid, &c.country, 419},
              I{&c.headValid, &c.head, 424},
              I{&c.reprintValid, &c.reprint, 429},
              I{&c.gapIntenValid, &c.gapInten, 434},
              I{&c.blineIntenValid, &c.blineInten, 439},
              I{&c.conIntenValid, &c.conInten, 444},
              I{&c.baudRateValid, &c.baudRate, 449},
              I{&c.dataBitsValid, &c.dataBits, 454},
              I{&c.parityValid, &c.parity, 459},
              I{&c.stopBitsValid, &c.stopBits, 464}}) {
    *f.flag = 1, *f.value = iv;
    h.U8(f.at, 1), h.U32(f.at + 1, static_cast<uint32_t>(iv));
    iv = iv % 100000 * -3 + 17;  // distinct values, bounded
  }
}

std::vector<uint8_t> Build(const PrinterConfig& c, int32_t unit, const PrinterStatus& s) {
  uint8_t image[ConfigFileSize];
  BuildConfigFile(c, unit, s, image);
  return std::vector<uint8_t>(image, image + sizeof image);
}

TEST(ConfigFile, ImageMatchesTheLayoutByteForByteAndReadsBack) {
  PrinterConfig c;
  HandImage hand;
  Distinct(c, hand);
  PrinterStatus s;
  s.paperJam = 1, s.bit6 = 1, s.otherError = 1;
  hand.U8(470, 1), hand.U8(475, 1), hand.U8(476, 1);
  EXPECT_EQ(Build(c, 1, s), hand.bytes);

  PrinterConfig back;
  int32_t unit = -5;
  PrinterStatus status;
  ASSERT_EQ(ParseConfigFile(hand.bytes.data(), hand.bytes.size(), back, unit, status),
            ConfigFileOk);
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(status.paperJam, 1);
  EXPECT_EQ(status.bit6, 1);
  EXPECT_EQ(status.headOpen, 0);
  EXPECT_STREQ(back.version, "V1.16 EZ");
  EXPECT_EQ(back.gapOffset, c.gapOffset);
  EXPECT_EQ(back.stopBits, c.stopBits);
  EXPECT_EQ(back.density, -70000);
  // Everything else: the parsed record builds the same image again.
  EXPECT_EQ(Build(back, unit, status), hand.bytes);
}

TEST(ConfigFile, ClearedRecordKeepsTheInitialNumbers) {
  PrinterConfig c;
  ResetConfig(c);
  std::vector<uint8_t> image = Build(c, 0, PrinterStatus{});
  HandImage hand;
  hand.U32(0, 0x000055AA);
  hand.U32(4, 1);
  hand.F32(301, 200.0f);
  hand.F32(305, 11.8f);
  hand.F32(310, 3.0f);
  EXPECT_EQ(image, hand.bytes);
}

TEST(ConfigFile, TextFieldsArePaddedWithZerosAndAlwaysEndInNul) {
  PrinterConfig c;
  ResetConfig(c);
  memset(c.version, 'x', sizeof c.version);
  memcpy(c.version, "AB\0junk", 7);        // bytes after the NUL are not written
  memset(c.milage, '9', sizeof c.milage);  // no NUL at all: cut to 15
  std::vector<uint8_t> image = Build(c, 1, PrinterStatus{});
  EXPECT_EQ(image[12], 'A');
  EXPECT_EQ(image[13], 'B');
  for (size_t i = 14; i < 268; ++i) ASSERT_EQ(image[i], 0) << i;
  for (size_t i = 268; i < 283; ++i) ASSERT_EQ(image[i], '9') << i;
  EXPECT_EQ(image[283], 0);

  // A file whose text fields are full to the last byte.
  HandImage hand;
  hand.U32(0, 0x000055AA);
  memset(&hand.bytes[12], 'v', 256);
  memset(&hand.bytes[268], 'm', 16);
  memset(&hand.bytes[284], 'c', 16);
  PrinterConfig back;
  int32_t unit;
  PrinterStatus s;
  ASSERT_EQ(ParseConfigFile(hand.bytes.data(), hand.bytes.size(), back, unit, s), ConfigFileOk);
  EXPECT_EQ(std::string(back.version), std::string(255, 'v'));
  EXPECT_EQ(std::string(back.milage), std::string(15, 'm'));
  EXPECT_EQ(std::string(back.checksum), std::string(15, 'c'));
}

TEST(ConfigFile, RefusesWrongMagicAndShortFilesAndIgnoresTheVersion) {
  PrinterConfig c, keep;
  HandImage hand;
  Distinct(c, hand);
  std::vector<uint8_t> image = hand.bytes;
  PrinterConfig out;
  ResetConfig(out);
  keep = out;
  int32_t unit = 7;
  PrinterStatus s;

  image[1] = 0x56;
  EXPECT_EQ(ParseConfigFile(image.data(), image.size(), out, unit, s), ConfigFileBadMagic);
  const char text[] = "SIZE 4,2\r\nGAP 0,0\r\n..............................................";
  EXPECT_EQ(ParseConfigFile(reinterpret_cast<const uint8_t*>(text), sizeof text, out, unit, s),
            ConfigFileBadMagic);
  image = hand.bytes;
  EXPECT_EQ(ParseConfigFile(image.data(), 476, out, unit, s), ConfigFileShort);
  EXPECT_EQ(ParseConfigFile(image.data(), 3, out, unit, s), ConfigFileShort);
  EXPECT_EQ(ParseConfigFile(image.data(), 0, out, unit, s), ConfigFileShort);
  // Nothing changed by the refusals.
  EXPECT_EQ(unit, 7);
  EXPECT_EQ(Build(out, 0, s), Build(keep, 0, s));

  hand.U32(4, 0xDEADBEEF);
  image = hand.bytes;
  image.push_back(0x42);  // bytes beyond the image are ignored
  EXPECT_EQ(ParseConfigFile(image.data(), image.size(), out, unit, s), ConfigFileOk);
  EXPECT_EQ(out.referenceX, c.referenceX);
}

class ConfigFileDisk : public ::testing::Test {
 protected:
  ConfigFileDisk() {
    char pattern[] = "/tmp/varnalux-dcf-XXXXXX";
    dir = mkdtemp(pattern);
  }
  ~ConfigFileDisk() override { system(("rm -rf " + dir).c_str()); }

  static std::vector<uint8_t> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    return names;
  }

  std::string dir;
};

TEST_F(ConfigFileDisk, SaveReplacesAndLoadReadsBack) {
  PrinterConfig c;
  HandImage hand;
  Distinct(c, hand);
  uint8_t image[ConfigFileSize];
  BuildConfigFile(c, 1, PrinterStatus{}, image);
  std::string path = dir + "/printer.dcf";
  {
    std::ofstream old(path, std::ios::binary);
    old << std::string(900, 'o');  // a longer older file is replaced whole
  }
  ASSERT_TRUE(SaveConfigFile(path, image));
  EXPECT_EQ(Contents(path), hand.bytes);
  EXPECT_EQ(Names(), std::vector<std::string>{"printer.dcf"});  // no temporary left

  PrinterConfig back;
  int32_t unit = 0;
  PrinterStatus s;
  ASSERT_EQ(LoadConfigFile(path, back, unit, s), ConfigFileOk);
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(back.paperWidth, c.paperWidth);

  EXPECT_EQ(LoadConfigFile(dir + "/missing.dcf", back, unit, s), ConfigFileOpenFailed);
  EXPECT_EQ(LoadConfigFile(dir, back, unit, s), ConfigFileOpenFailed);
  // A FIFO picked by mistake is refused at once instead of waiting for a writer.
  std::string fifo = dir + "/pipe.dcf";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(LoadConfigFile(fifo, back, unit, s), ConfigFileOpenFailed);
  unlink(fifo.c_str());
  std::ofstream(dir + "/short.dcf", std::ios::binary).write("\xAA\x55\x00\x00\x01", 5);
  EXPECT_EQ(LoadConfigFile(dir + "/short.dcf", back, unit, s), ConfigFileShort);
}

TEST_F(ConfigFileDisk, FailedSaveLeavesThePreviousFileIntact) {
  PrinterConfig c;
  ResetConfig(c);
  uint8_t image[ConfigFileSize];
  BuildConfigFile(c, 0, PrinterStatus{}, image);
  std::string path = dir + "/kept.dcf";
  std::string previous(477, 'p');
  std::ofstream(path, std::ios::binary) << previous;

  // The disk fills up halfway: a child process limited to 100 bytes per file
  // (the limit holds for root too).
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(SaveConfigFile(path, image) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);  // reported as failed
  std::vector<uint8_t> now = Contents(path);
  EXPECT_EQ(std::string(now.begin(), now.end()), previous);
  EXPECT_EQ(Names(), std::vector<std::string>{"kept.dcf"});

  // A folder that does not exist, and a directory where the file should be.
  EXPECT_FALSE(SaveConfigFile(dir + "/no/such/folder.dcf", image));
  mkdir((dir + "/taken.dcf").c_str(), 0755);
  EXPECT_FALSE(SaveConfigFile(dir + "/taken.dcf", image));
  struct stat info;
  ASSERT_EQ(stat((dir + "/taken.dcf").c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(Names().size(), 2u);
}

}  // namespace
}  // namespace varnalux
