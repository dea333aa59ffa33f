#include "app/exporter/probe_target.h"

#include <vector>

#include "app/exporter/allow_list.h"
#include "base/printable_text.h"
#include "link/serial_words.h"
#include "link/tcp_address.h"

namespace varnalux {

namespace {

constexpr size_t HostNameMax = 253;
constexpr size_t TargetTextMax = 512;

// A piece of the request quoted in a reason: one line of printable text
// (control bytes and bytes that are not UTF-8 as \xNN), cut when long.
std::string Quoted(std::string_view text) {
  constexpr size_t QuotedMax = 80;
  std::string plain = PlainText(std::string(text.substr(0, QuotedMax)));
  if (text.size() > QuotedMax) plain += "...";
  return plain;
}

bool HostNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

// A host name of letters, digits, hyphens and dots, or a numeric address.
bool AcceptableHost(const std::string& host) {
  IpAddress address;
  if (ParseIpAddress(host, address)) return true;
  if (host.empty() || host.size() > HostNameMax || host.front() == '-' || host.front() == '.')
    return false;
  for (char c : host)
    if (!HostNameCharacter(c)) return false;
  return true;
}

bool ParseTcp(std::string_view rest, ProbeTarget& target, std::string& error) {
  std::string host;
  int32_t port = 9100;
  if (!ParseTcpAddress(std::string(rest), host, port) || !AcceptableHost(host)) {
    error = "bad TCP target: " + Quoted(rest);
    return false;
  }
  target.kind = KindEthernet;
  target.host = host;
  target.port = port;
  return true;
}

bool ParseCom(std::string_view name, ProbeTarget& target, std::string& error) {
  if (name.empty() || name.size() >= sizeof target.serial.portName) {
    error = "bad COM port name";
    return false;
  }
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x21 || c == 0x7F) {
      error = "bad COM port name";
      return false;
    }
  }
  target.kind = KindCom;
  CopyText(target.serial.portName, sizeof target.serial.portName, std::string(name).c_str());
  return true;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t start = text.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    size_t end = text.find(' ', start);
    if (end == std::string_view::npos) end = text.size();
    words.push_back(text.substr(start, end - start));
    at = end;
  }
  return words;
}

bool ParseLink(std::string_view link, ProbeTarget& target, std::string& error) {
  if (link == "usb") {
    target.kind = KindUsb;
    return true;
  }
  if (link.substr(0, 6) == "tcp://") return ParseTcp(link.substr(6), target, error);
  if (link.substr(0, 4) == "tcp:") return ParseTcp(link.substr(4), target, error);
  if (link.substr(0, 4) == "com:") return ParseCom(link.substr(4), target, error);
  if (link.substr(0, 4) == "lpt:") {
    error = "lpt: targets cannot be probed: the parallel port does not answer";
    return false;
  }
  if (link.find("://") != std::string_view::npos) {
    error = "unknown target scheme: " + Quoted(link);
    return false;
  }
  return ParseTcp(link, target, error);
}

}  // namespace

bool ParseProbeTarget(std::string_view text, ProbeTarget& target, std::string& error) {
  if (text.size() > TargetTextMax) {
    error = "target too long";
    return false;
  }
  const std::vector<std::string_view> words = Words(text);
  if (words.empty()) {
    error = "empty target";
    return false;
  }
  ProbeTarget parsed;
  InitialSerialSettings(parsed.serial);
  if (!ParseLink(words[0], parsed, error)) return false;
  for (size_t i = 1; i < words.size(); ++i) {
    const size_t equals = words[i].find('=');
    if (equals == std::string_view::npos) {
      error = "unexpected word in target: " + Quoted(words[i]);
      return false;
    }
    if (!SetSerialWord(words[i].substr(0, equals), words[i].substr(equals + 1), parsed, error))
      return false;
  }
  target = parsed;
  return true;
}

bool SetSerialWord(std::string_view name, std::string_view value, ProbeTarget& target,
                   std::string& error) {
  if (!IsSerialWord(name)) {
    error = "unknown target setting: " + Quoted(name);
    return false;
  }
  if (target.kind != KindCom) {
    error = Quoted(name) + "= applies to com: targets only";
    return false;
  }
  if (SetSerialWord(name, value, target.serial)) return true;
  error = "bad " + Quoted(name) + "=" + Quoted(value);
  return false;
}

}  // namespace varnalux
