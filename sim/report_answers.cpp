#include "sim/report_answers.h"

#include "sim/memory_store.h"

namespace varnalux::sim {

std::string FrameAnswer(const std::string& payload, bool malformed) {
  size_t length = payload.size() + (malformed ? 1 : 0);
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a
  // string literal placed in front of a std::string.
  std::string answer(1, '{');
  answer += std::to_string(length);
  answer += '|';
  answer += payload;
  answer += '}';
  return answer;
}

bool ResolveReport(const PrinterCore& core, const std::string& key,
                   std::vector<std::string>& payloads) {
  payloads.clear();
  if (core.forgotten.count(key) != 0) return false;
  if (auto it = core.overrides.find(key); it != core.overrides.end()) {
    payloads.push_back(it->second);
    // A list key still ends in the empty answer.
    if (MemoryStore::IsListKey(key) && !it->second.empty()) payloads.push_back("");
    return true;
  }
  // Older models do not know these keys.
  if (!core.options.knowsReprint && key == "REPRINT") return false;
  if (!core.options.knowsShiftX && (key == "SHIFTX" || key == "SHIFTXBASE")) return false;

  std::string payload;
  if (core.config.Report(key, payload) || core.clock.Report(key, payload) ||
      core.net.Report(key, payload)) {
    payloads.push_back(payload);
    return true;
  }
  return core.memory.Report(key, payloads);
}

}  // namespace varnalux::sim
