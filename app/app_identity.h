// The desktop program's name, version and icon, and the two options it
// answers before a window exists.
#pragma once

namespace varnalux {

// --version and --help (or -h) as the first argument: prints to standard
// output, sets exitCode to 0 and returns true, without a display. Any other
// arguments are left to the toolkit.
bool HandleInfoOption(int argc, char** argv, int& exitCode);

// Application name, version, desktop entry and window icon (every window
// and dialog shows it). Needs the application object.
void SetApplicationIdentity();

}  // namespace varnalux
