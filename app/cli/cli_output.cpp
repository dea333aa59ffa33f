#include "app/cli/cli_output.h"

namespace varnalux {

namespace {

struct Streams {
  FILE* out = nullptr;
  FILE* err = nullptr;
};

// One pair a thread: each worker of a run over a list of printers writes to
// its printer's own buffers.
thread_local Streams t_streams;

}  // namespace

FILE* CliOut() { return t_streams.out != nullptr ? t_streams.out : stdout; }

FILE* CliErr() { return t_streams.err != nullptr ? t_streams.err : stderr; }

void BindCliOutput(FILE* out, FILE* err) { t_streams = Streams{out, err}; }

bool CliAttended() { return t_streams.out == nullptr && t_streams.err == nullptr; }

}  // namespace varnalux
