// The virtual printer's command interpreter on any byte stream, over two
// connections (a dump outlives the first), whole and cut into pieces.
//   byte 0: the size of the pieces (1 .. 16)
//   byte 1: where the first connection ends (a fraction of the rest)
//   the rest: the bytes sent
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/command_interpreter.h"
#include "sim/printer_core.h"

using namespace varnalux::sim;

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

struct Outcome {
  std::vector<std::string> commands;
  std::vector<std::string> ignored;
  size_t answers = 0;
  std::string dumpText;
  bool dumpActive = false;
};

Outcome Run(const uint8_t* data, size_t size, size_t split, size_t piece) {
  PrinterCore core{PrinterOptions{}};
  Outcome out;
  for (int connection = 0; connection < 2; ++connection) {
    const size_t begin = connection == 0 ? 0 : split;
    const size_t end = connection == 0 ? split : size;
    CommandInterpreter interpreter(core);
    std::vector<std::string> answers;
    for (size_t at = begin; at < end; at += piece) {
      size_t n = end - at < piece ? end - at : piece;
      interpreter.Feed(data + at, n, answers);
    }
    interpreter.Finish();
    out.answers += answers.size();
  }
  std::lock_guard<std::mutex> lock(core.mu);
  Check(core.dump.text.size() <= DumpKeptMax);
  Check(core.dumpActive.load() == core.dump.active);
  out.commands = core.commands;
  out.ignored = core.ignored;
  out.dumpText = core.dump.text;
  out.dumpActive = core.dump.active;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t piece = data[0] % 16 + 1;
  const uint8_t* bytes = data + 2;
  const size_t count = size - 2;
  const size_t split = count * data[1] / 255;
  // The same bytes give the same commands however they are cut.
  Outcome whole = Run(bytes, count, split, count == 0 ? 1 : count);
  Outcome pieces = Run(bytes, count, split, piece);
  Check(whole.commands == pieces.commands);
  Check(whole.ignored == pieces.ignored);
  Check(whole.answers == pieces.answers);
  Check(whole.dumpText == pieces.dumpText);
  Check(whole.dumpActive == pieces.dumpActive);
  return 0;
}
