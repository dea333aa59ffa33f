#include "sim/memory_store.h"

#include <strings.h>

namespace varnalux::sim {

namespace {
bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}
bool ValidDevice(int device) { return device >= 0 && device < DeviceCount; }
}  // namespace

MemoryStore::MemoryStore() = default;

long MemoryStore::UsedBytes(int device) const {
  long used = reservedKb_[device];
  // Each file takes whole KB blocks.
  for (const File& f : files_[device]) used += (static_cast<long>(f.bytes.size()) + 1023) / 1024;
  return used * 1024;
}

bool MemoryStore::Put(int device, const std::string& name, const std::string& bytes) {
  if (!ValidDevice(device) || name.empty()) return false;
  if (device == DeviceCard && !cardPresent) return false;
  std::vector<File>& files = files_[device];
  long existing = 0;
  for (const File& f : files)
    if (SameName(f.name, name)) existing = (static_cast<long>(f.bytes.size()) + 1023) / 1024 * 1024;
  long needed = (static_cast<long>(bytes.size()) + 1023) / 1024 * 1024;
  long capacity = static_cast<long>(physicalKb_[device]) * 1024;
  if (UsedBytes(device) - existing + needed > capacity) return false;
  for (File& f : files)
    if (SameName(f.name, name)) {
      f.bytes = bytes;
      return true;
    }
  files.push_back(File{name, bytes});
  return true;
}

bool MemoryStore::Get(int device, const std::string& name, std::string& bytes) const {
  if (!ValidDevice(device)) return false;
  if (device == DeviceCard && !cardPresent) return false;
  for (const File& f : files_[device])
    if (SameName(f.name, name)) {
      bytes = f.bytes;
      return true;
    }
  return false;
}

bool MemoryStore::Find(const std::string& name, std::string& bytes) const {
  for (int d = 0; d < DeviceCount; ++d)
    if (Get(d, name, bytes)) return true;
  return false;
}

int MemoryStore::Kill(int device, const std::string& pattern) {
  if (!ValidDevice(device)) return 0;
  std::vector<File>& files = files_[device];
  bool all = pattern == "*.*" || pattern == "*";
  int erased = 0;
  for (size_t i = 0; i < files.size();) {
    if (all || SameName(files[i].name, pattern)) {
      files.erase(files.begin() + static_cast<long>(i));
      ++erased;
    } else {
      ++i;
    }
  }
  return erased;
}

std::vector<std::string> MemoryStore::Names(int device) const {
  std::vector<std::string> names;
  if (!ValidDevice(device)) return names;
  for (const File& f : files_[device]) names.push_back(f.name);
  return names;
}

int MemoryStore::PhysicalKb(int device) const {
  return ValidDevice(device) ? physicalKb_[device] : 0;
}

int MemoryStore::FreeKb(int device) const {
  if (!ValidDevice(device)) return 0;
  return physicalKb_[device] - static_cast<int>(UsedBytes(device) / 1024);
}

bool MemoryStore::Fill(int device) {
  if (!ValidDevice(device)) return false;
  reservedKb_[device] += FreeKb(device);
  return true;
}

bool MemoryStore::IsListKey(const std::string& key) {
  return key == "DFILELIST" || key == "FFILELIST" || key == "CFILELIST";
}

bool MemoryStore::Report(const std::string& key, std::vector<std::string>& answers) const {
  if (key.size() < 2) return false;
  int device = -1;
  switch (key[0]) {
    case 'D': device = DeviceDram; break;
    case 'F': device = DeviceFlash; break;
    case 'C': device = DeviceCard; break;
    default: return false;
  }
  std::string what = key.substr(1);
  if (what != "PHYSPACE" && what != "FREESPACE" && what != "FILELIST") return false;
  if (device == DeviceCard && !cardPresent) return false;
  answers.clear();
  if (what == "PHYSPACE") {
    answers.push_back(std::to_string(PhysicalKb(device)));
  } else if (what == "FREESPACE") {
    answers.push_back(std::to_string(FreeKb(device)));
  } else {
    answers = Names(device);
    answers.push_back("");
  }
  return true;
}

}  // namespace varnalux::sim
