// Where a command of the command-line tool writes: standard output and
// standard error, unless the calling thread was given buffers of its own.
// A run over a list of printers gives every printer's thread its own pair,
// so that what each command prints stays together and is shown whole once
// the printer is done.
#pragma once

#include <cstdio>

namespace varnalux {

// The calling thread's output and error streams (stdout and stderr unless
// bound).
FILE* CliOut();
FILE* CliErr();

// Binds the calling thread's streams (not owned); null for either gives
// the standard stream back. A thread with bound streams runs without a
// person at the terminal: no prompt, no progress bar.
void BindCliOutput(FILE* out, FILE* err);

// True while the calling thread writes to the standard streams.
bool CliAttended();

}  // namespace varnalux
