// The list of printers a run over many printers serves: a text file with
// one printer a line,
//
//   # name      link
//   dock-3      tcp:10.0.4.21
//   dock-4      tcp:[fe80::1%eth0]:9100
//   bench       com:COM3 baud=115200 parity=even
//   shelf       lpt:LPT1
//   desk        usb
//
// or the JSON of a Prometheus file discovery,
//
//   [{"targets": ["10.0.4.21:9100"], "labels": {"name": "dock-3"}}]
//
// where a target without a name label is named by its address. A link is
// read by the same code as the link options of the command line. Names go
// into file names ({name} in a command's arguments), so they are kept to
// letters, digits, '-', '_' and '.', not starting with a dot, at most
// ListNameMax bytes, and no two printers share one.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/cli/cli_link.h"

namespace varnalux {

struct ListedPrinter {
  std::string name;
  std::string link;  // as the list gives it ("tcp:10.0.4.21:9100")
  CliLink settings;
  int line = 0;  // where the list names it
};

inline constexpr size_t ListNameMax = 64;
// A list file is read whole; a larger one is refused.
inline constexpr size_t ListBytesMax = 16 * 1024 * 1024;
inline constexpr size_t ListPrintersMax = 10000;

// Why a list was refused: the line to blame (0 when none is) and the reason.
struct ListError {
  int line = 0;
  std::string why;
};

// Reads the text of a list; false with the error, and nothing in printers.
bool ParsePrinterList(const std::string& text, std::vector<ListedPrinter>& printers,
                      ListError& error);
// Reads the list file; false with "FILE:LINE: why" (or "FILE: why").
bool LoadPrinterList(const std::string& path, std::vector<ListedPrinter>& printers,
                     std::string& error);

// Whether a name may stand in a list.
bool ListNameAllowed(const std::string& name);
// A name that may stand in a list, made from any text (an address, a name a
// printer gave): brackets dropped, any other character outside the allowed
// ones as '_', a leading dot as '_', cut to ListNameMax; "printer" for an
// empty text.
std::string ListNameFrom(const std::string& text);
// name, or name-2, name-3 ... (cut to fit ListNameMax): the first that is
// not taken.
std::string UniqueListName(const std::string& name, const std::set<std::string>& taken);

}  // namespace varnalux
