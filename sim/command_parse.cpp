#include "sim/command_parse.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace varnalux::sim {

std::string Trim(const std::string& text) {
  size_t b = text.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = text.find_last_not_of(" \t\r\n");
  return text.substr(b, e - b + 1);
}

std::string Upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      parts.push_back(Trim(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  parts.push_back(Trim(current));
  return parts;
}

bool ParseInt(const std::string& text, long& value) {
  std::string t = Trim(text);
  if (t.empty() || t.size() > 12) return false;
  size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  if (i == t.size()) return false;
  for (size_t k = i; k < t.size(); ++k)
    if (!isdigit(static_cast<unsigned char>(t[k]))) return false;
  errno = 0;
  long v = strtol(t.c_str(), nullptr, 10);
  if (errno != 0 || v > 1000000000L || v < -1000000000L) return false;
  value = v;
  return true;
}

bool ParseNumber(const std::string& text, double& value) {
  std::string t = Trim(text);
  if (t.empty() || t.size() > 32) return false;
  for (char c : t)
    if (!isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+') return false;
  char* end = nullptr;
  errno = 0;
  double v = strtod(t.c_str(), &end);
  if (errno != 0 || end == t.c_str() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 1e9)
    return false;
  value = v;
  return true;
}

bool ParseLength(const std::string& text, int dpi, int dotsPerMm, double& dots) {
  std::string t = Trim(text);
  size_t split = 0;
  while (split < t.size() && (isdigit(static_cast<unsigned char>(t[split])) || t[split] == '.' ||
                              t[split] == '-' || t[split] == '+'))
    ++split;
  double number = 0;
  if (!ParseNumber(t.substr(0, split), number)) return false;
  std::string unit = Upper(Trim(t.substr(split)));
  if (unit.empty() && dpi > 0) {
    dots = number * dpi;
  } else if (unit == "MM" && dotsPerMm > 0) {
    dots = number * dotsPerMm;
  } else if (unit == "DOT") {
    dots = number;
  } else {
    return false;
  }
  return true;
}

bool ParseOnOff(const std::string& text, bool& on) {
  std::string t = Upper(Trim(text));
  if (t == "ON") {
    on = true;
    return true;
  }
  if (t == "OFF") {
    on = false;
    return true;
  }
  return false;
}

bool ParseQuoted(const std::string& text, std::string& inner) {
  std::string t = Trim(text);
  if (t.size() < 2 || t.front() != '"' || t.back() != '"') return false;
  inner = t.substr(1, t.size() - 2);
  return inner.find('"') == std::string::npos;
}

int DeviceFromLetter(const std::string& letter) {
  std::string t = Upper(Trim(letter));
  if (t.empty()) return 0;
  if (t == "F") return 1;
  if (t == "E") return 2;
  return -1;
}

namespace {
// Splits "device,"name"" parts: the last quoted argument is the name, an
// optional single letter before it the device.
bool DeviceAndName(const std::vector<std::string>& parts, size_t first, size_t nameIndex,
                   int& device, std::string& name) {
  if (nameIndex < first || nameIndex - first > 1) return false;
  device = nameIndex == first ? 0 : DeviceFromLetter(parts[first]);
  if (device < 0) return false;
  if (!ParseQuoted(parts[nameIndex], name)) return false;
  return !name.empty() && name.size() <= 64;
}
}  // namespace

bool MatchDownloadHeader(const std::string& line, int& device, std::string& name, long& size) {
  if (line.size() < 12 || line.back() != ',') return false;
  if (Upper(line.substr(0, 9)) != "DOWNLOAD ") return false;
  std::vector<std::string> parts = SplitArguments(line.substr(9, line.size() - 10));
  // parts: [device,] "name", size
  if (parts.size() < 2 || parts.size() > 3) return false;
  long n = 0;
  if (!ParseInt(parts.back(), n) || n < 0) return false;
  if (!DeviceAndName(parts, 0, parts.size() - 2, device, name)) return false;
  size = n;
  return true;
}

bool MatchDumpHeader(const std::string& line, DumpHeader& header) {
  if (line.empty() || line.back() != ',') return false;
  std::string upper = Upper(line);
  if (upper == "DUMP_TEXT PRINT,") {
    header = DumpHeader{};
    return true;
  }
  if (upper.rfind("DUMP_TEXT SAVE ", 0) != 0) return false;
  // The name must be closed: an even count of quotes, ending in '",'.
  size_t quotes = 0;
  for (char c : line) quotes += c == '"' ? 1 : 0;
  if (quotes != 2 || line.size() < 2 || line[line.size() - 2] != '"') return false;
  std::vector<std::string> parts = SplitArguments(line.substr(15, line.size() - 16));
  // parts: limit, [device,] "name"
  if (parts.size() < 2 || parts.size() > 3) return false;
  long limit = 0;
  if (!ParseInt(parts[0], limit) || limit < 0) return false;
  DumpHeader h;
  h.save = true;
  h.limit = limit;
  if (!DeviceAndName(parts, 1, parts.size() - 1, h.device, h.name)) return false;
  header = h;
  return true;
}

}  // namespace varnalux::sim
