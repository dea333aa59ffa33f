// The printer's three memory devices (0 DRAM, 1 FLASH, 2 CARD) with their
// files, and the memory reports: physical and free space in KB and the file
// lists (one answer per file, then an empty answer).
#pragma once

#include <string>
#include <vector>

namespace varnalux::sim {

inline constexpr int DeviceDram = 0;
inline constexpr int DeviceFlash = 1;
inline constexpr int DeviceCard = 2;
inline constexpr int DeviceCount = 3;

class MemoryStore {
 public:
  MemoryStore();

  // Stores (or replaces) a file; false when the device is unknown or the
  // file does not fit in the device's free space.
  bool Put(int device, const std::string& name, const std::string& bytes);
  // Looks in DRAM, FLASH and CARD in this order; names compare ignoring case.
  bool Find(const std::string& name, std::string& bytes) const;
  bool Get(int device, const std::string& name, std::string& bytes) const;
  // Erases the files matching pattern ("*.*" or "*" for all, else a name);
  // gives the number erased.
  int Kill(int device, const std::string& pattern);
  std::vector<std::string> Names(int device) const;
  int PhysicalKb(int device) const;
  int FreeKb(int device) const;
  // Takes all free space of the device as if the firmware held it: no file
  // fits any more, and KILL does not give the space back.
  bool Fill(int device);

  // A card may be taken out: the card's reports are then unanswered.
  bool cardPresent = true;

  // Single answers for DPHYSPACE, DFREESPACE, FPHYSPACE, FFREESPACE,
  // CPHYSPACE, CFREESPACE; the list for DFILELIST, FFILELIST, CFILELIST
  // (ending in an empty answer). false for other keys.
  bool Report(const std::string& key, std::vector<std::string>& answers) const;
  static bool IsListKey(const std::string& key);

 private:
  struct File {
    std::string name;
    std::string bytes;
  };
  long UsedBytes(int device) const;
  std::vector<File> files_[DeviceCount];
  int physicalKb_[DeviceCount] = {1024, 8192, 32768};
  long reservedKb_[DeviceCount] = {0, 0, 0};
};

}  // namespace varnalux::sim
