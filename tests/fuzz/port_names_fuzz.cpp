// The port-name file (ports.conf) and port names from anywhere.
//   the input up to the first NUL: the contents of the port-name file
//   after it (at most 8 bytes): one more name to look up
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
  char path[] = "/tmp/varnalux-fuzz-ports-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) abort();
  close(fd);
  portsFile = path;
  atexit(RemovePortsFile);
  setenv("VARNALUX_PORTS_FILE", path, 1);
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

  for (int n = 0; n <= ComPortCount + 1; ++n)
    Lookup("COM" + std::to_string(n), n >= 1 && n <= ComPortCount, contents);
  for (int n = 0; n <= LptPortCount + 1; ++n)
    Lookup("LPT" + std::to_string(n), n >= 1 && n <= LptPortCount, contents);
  Lookup("com7", false, contents);
  Lookup("COM", false, contents);
  Lookup("", false, contents);

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
