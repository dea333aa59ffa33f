// The port-name file (ports.conf) and port names from anywhere.
//   the input up to the first NUL: the contents of the port-name file
//   after it (at most 8 bytes): one more name to look up
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "link/port_names.h"

using namespace varnalux;

namespace {

std::string portsFile;

void Check(bool condition) {
  if (!condition) abort();
}

void RemovePortsFile() { unlink(portsFile.c_str()); }

bool WriteFile(const uint8_t* data, size_t size) {
  FILE* f = fopen(portsFile.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && ok;
}

void Lookup(const std::string& name, bool known, const std::string& contents) {
  std::string device = ResolvePortDevice(name.c_str());
  std::string source = PortMappingSource(name.c_str());
  if (!name.empty() && name[0] == '/') {
    Check(device == name && source == "device path");
    return;
  }
  if (!known) {
    Check(device.empty());
    return;
  }
  // A known name always stands for a device path; one from the file is a
  // text of the file.
  Check(!device.empty() && device[0] == '/');
  Check(device.find('\0') == std::string::npos);
  if (source == "mapping file") {
    Check(contents.find(device) != std::string::npos);
  } else {
    Check(source == "built-in");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // In memory where there is a memory file system: a write per input.
  std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = folder + "/varnalux-fuzz-ports-XXXXXX";
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back(0);
  int fd = mkstemp(path.data());
  if (fd < 0) abort();
  close(fd);
  portsFile = path.data();
  atexit(RemovePortsFile);
  setenv("VARNALUX_PORTS_FILE", path.data(), 1);
  // Only the file and the built-in table decide.
  for (int n = 1; n <= ComPortCount; ++n) unsetenv(("VARNALUX_COM" + std::to_string(n)).c_str());
  for (int n = 1; n <= LptPortCount; ++n) unsetenv(("VARNALUX_LPT" + std::to_string(n)).c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* nul = static_cast<const uint8_t*>(memchr(data, 0, size));
  const size_t fileSize = nul != nullptr ? static_cast<size_t>(nul - data) : size;
  if (!WriteFile(data, fileSize)) abort();
  const std::string contents(reinterpret_cast<const char*>(data), fileSize);

  // The edges of each range of the built-in table, the names just outside
  // them, and the names the file's lines give.
  for (int n : {0, 1, 4, 5, 12, 13, 20, 21, ComPortCount, ComPortCount + 1})
    Lookup("COM" + std::to_string(n), n >= 1 && n <= ComPortCount, contents);
  for (int n : {0, 1, LptPortCount, LptPortCount + 1})
    Lookup("LPT" + std::to_string(n), n >= 1 && n <= LptPortCount, contents);
  Lookup("com7", false, contents);
  Lookup("COM", false, contents);
  Lookup("", false, contents);
  size_t lines = 0;
  for (size_t at = 0; at < contents.size() && lines < 8; ++lines) {
    size_t eol = contents.find('\n', at);
    std::string line = contents.substr(at, eol == std::string::npos ? std::string::npos : eol - at);
    at = eol == std::string::npos ? contents.size() : eol + 1;
    size_t eq = line.find('=');
    size_t begin = line.find_first_not_of(" \t");
    if (eq == std::string::npos || begin >= eq) continue;
    std::string key = line.substr(begin, eq - begin);
    key.erase(key.find_last_not_of(" \t") + 1);
    for (char& c : key) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    int n = 0;
    bool digits = key.size() >= 4 && key.size() <= 5;
    for (size_t i = 3; digits && i < key.size(); ++i) {
      digits = isdigit(static_cast<unsigned char>(key[i])) != 0;
      n = n * 10 + (key[i] - '0');
    }
    const bool com = digits && key.compare(0, 3, "COM") == 0 && n >= 1 && n <= ComPortCount;
    const bool lpt = digits && key.compare(0, 3, "LPT") == 0 && n >= 1 && n <= LptPortCount;
    if (key.find('\0') == std::string::npos && key.compare(0, 1, "/") != 0)
      Lookup(key, com || lpt, contents);
  }

  if (nul != nullptr) {
    size_t rest = size - fileSize - 1;
    std::string name(reinterpret_cast<const char*>(nul + 1), rest < 8 ? rest : 8);
    name = name.c_str();  // as a C string, up to its first NUL
    std::string device = ResolvePortDevice(name.c_str());
    Check(device.empty() || device[0] == '/');
    PortMappingSource(name.c_str());
  }
  return 0;
}
