// Configuration files (.dcf) from anywhere: parsing, the texts shown for
// them, and the round trip through the writer.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "protocol/config_file.h"
#include "protocol/config_page_text.h"
#include "protocol/config_text.h"
#include "tests/fuzz/json_check.h"

using namespace varnalux;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

bool Terminated(const char* field, size_t size) { return memchr(field, '\0', size) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PrinterConfig config;
  memset(&config, 0x5A, sizeof config);
  PrinterConfig untouched;
  memcpy(&untouched, &config, sizeof config);
  int32_t unit = 12345;
  PrinterStatus status;
  StatusFromByte(0xFF, status);

  const int result = ParseConfigFile(data, size, config, unit, status);
  if (result != ConfigFileOk) {
    // A refused file leaves the caller's records alone.
    Check(result == ConfigFileBadMagic || result == ConfigFileShort);
    Check(memcmp(&config, &untouched, sizeof config) == 0);
    Check(unit == 12345 && StatusToByte(status) == 0xFF);
    return 0;
  }
  Check(size >= ConfigFileSize);
  Check(Terminated(config.version, sizeof config.version));
  Check(Terminated(config.milage, sizeof config.milage));
  Check(Terminated(config.checksum, sizeof config.checksum));

  // Every way the program shows a loaded file.
  std::string text = ConfigAsText(config);
  std::string json = ConfigAsJson(config, &unit, &status);
  std::string head = UnitAndStatusAsText(unit, status);
  Check(fuzz::JsonCheck::Valid(json));
  Check(!text.empty() && !head.empty());
  for (int shownUnit : {UnitInch, UnitMm}) {
    ConfigPageText page;
    ShowConfigText(config, shownUnit, page);
  }

  // Written back and read again, the file is the same file.
  uint8_t image[ConfigFileSize];
  BuildConfigFile(config, unit, status, image);
  PrinterConfig again;
  int32_t unitAgain = 0;
  PrinterStatus statusAgain;
  Check(ParseConfigFile(image, sizeof image, again, unitAgain, statusAgain) == ConfigFileOk);
  uint8_t imageAgain[ConfigFileSize];
  BuildConfigFile(again, unitAgain, statusAgain, imageAgain);
  Check(memcmp(image, imageAgain, sizeof image) == 0);
  return 0;
}
