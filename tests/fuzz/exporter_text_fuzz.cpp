// What reaches the exporter from outside: the target parameter of a probe
// request, the CIDR of an --allow, and printers' answers that become label
// values.
//   the input up to the first NUL: a target and a network to parse
//   after it: a printer's text to escape into a label value
// The escaped value must read back, by the exposition format's rules, as
// a value that holds no byte able to end it, its line or its UTF-8.
#include <sys/socket.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/exporter/allow_list.h"
#include "app/exporter/metrics_text.h"
#include "app/exporter/probe_target.h"

using namespace varnalux;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

// The length of the well-formed UTF-8 sequence at text[at]; 0 for none.
size_t SequenceAt(const std::string& text, size_t at) {
  const auto b = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = b(at);
  if (lead < 0x80) return 1;
  size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (n == 0 || lead > 0xF4 || at + n > text.size()) return 0;
  uint32_t code = lead & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i) {
    if ((b(at + i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (b(at + i) & 0x3F);
  }
  const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

void CheckEscaped(const std::string& escaped) {
  for (size_t i = 0; i < escaped.size();) {
    const auto c = static_cast<uint8_t>(escaped[i]);
    Check(c != '"' && c != '\n' && c >= 0x20 && c != 0x7F);
    if (c == '\\') {
      Check(i + 1 < escaped.size());
      const char next = escaped[i + 1];
      Check(next == '\\' || next == '"' || next == 'n');
      i += 2;
      continue;
    }
    const size_t n = SequenceAt(escaped, i);
    Check(n != 0);
    i += n;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const size_t nul = strnlen(text, size);
  const std::string front(text, nul);
  const std::string back = nul < size ? std::string(text + nul + 1, size - nul - 1) : "";

  ProbeTarget target;
  std::string error;
  if (ParseProbeTarget(front, target, error)) {
    Check(error.empty());
    if (target.kind == KindEthernet)
      Check(!target.host.empty() && target.port >= 1 && target.port <= 65535);
  } else {
    Check(!error.empty() && error.find('\n') == std::string::npos);
  }
  Cidr cidr;
  if (ParseCidr(front, cidr, error)) {
    Check(cidr.prefix >= 0 && cidr.prefix <= (cidr.base.family == AF_INET ? 32 : 128));
    AllowList list;
    list.Add(cidr);
    Check(list.Permits(cidr.base));
  }
  CheckEscaped(EscapeLabelValue(back));
  CheckEscaped(EscapeLabelValue(front));
  return 0;
}
