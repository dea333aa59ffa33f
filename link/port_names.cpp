#include "link/port_names.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace varnalux {

namespace {

// "COM7" -> ("COM", 7); false for anything else.
bool SplitPortName(const char* name, std::string& prefix, int& number) {
  if (name == nullptr || strlen(name) < 4 || strlen(name) > 5) return false;
  prefix.assign(name, 3);
  if (prefix != "COM" && prefix != "LPT") return false;
  number = 0;
  for (const char* p = name + 3; *p != '\0'; ++p) {
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    number = number * 10 + (*p - '0');
  }
  int last = prefix == "COM" ? ComPortCount : LptPortCount;
  return number >= 1 && number <= last;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string MappingFilePath() {
  if (const char* f = getenv("VARNALUX_PORTS_FILE"); f != nullptr && *f != '\0') return f;
  if (const char* x = getenv("XDG_CONFIG_HOME"); x != nullptr && *x == '/')
    return std::string(x) + "/varnalux/ports.conf";
  if (const char* h = getenv("HOME"); h != nullptr && *h == '/')
    return std::string(h) + "/.config/varnalux/ports.conf";
  return {};
}

// The device a "NAME = /dev/..." line of the mapping file gives; empty if none.
std::string FromMappingFile(const std::string& name) {
  std::string path = MappingFilePath();
  if (path.empty()) return {};
  // Only a regular file is read (a FIFO there would block every lookup).
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq));
    for (char& c : key) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (key != name) continue;
    std::string value = Trim(line.substr(eq + 1));
    if (!value.empty() && value[0] == '/') return value;
  }
  return {};
}

std::string FromEnvironment(const std::string& name) {
  std::string var = "VARNALUX_" + name;
  const char* v = getenv(var.c_str());
  if (v != nullptr && v[0] == '/') return v;
  return {};
}

std::string BuiltIn(const std::string& prefix, int n) {
  if (prefix == "LPT") return "/dev/lp" + std::to_string(n - 1);
  if (n <= 4) return "/dev/ttyS" + std::to_string(n - 1);
  if (n <= 12) return "/dev/ttyUSB" + std::to_string(n - 5);
  if (n <= 20) return "/dev/ttyACM" + std::to_string(n - 13);
  return "/dev/ttyS" + std::to_string(n - 17);
}

}  // namespace

std::string ResolvePortDevice(const char* portName) {
  if (portName != nullptr && portName[0] == '/') return portName;
  std::string prefix;
  int number = 0;
  if (!SplitPortName(portName, prefix, number)) return {};
  std::string name = prefix + std::to_string(number);
  if (std::string d = FromEnvironment(name); !d.empty()) return d;
  if (std::string d = FromMappingFile(name); !d.empty()) return d;
  return BuiltIn(prefix, number);
}

std::string PortMappingSource(const char* portName) {
  if (portName != nullptr && portName[0] == '/') return "device path";
  std::string prefix;
  int number = 0;
  if (!SplitPortName(portName, prefix, number)) return "unknown";
  std::string name = prefix + std::to_string(number);
  if (!FromEnvironment(name).empty()) return "environment";
  if (!FromMappingFile(name).empty()) return "mapping file";
  return "built-in";
}

}  // namespace varnalux
