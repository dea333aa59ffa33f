// What a run over a list of printers prints: a block for each printer as it
// finishes (its name, result code and text, seconds, then what the command
// printed, indented), or one JSON object a printer a line; then a summary.
// The run's exit status is the worst result.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/cli/printer_list.h"

namespace varnalux {

// How the command ended for one printer, and what it printed.
struct PrinterOutcome {
  int code = 0;
  double seconds = 0;
  std::string out;  // its standard output
  std::string err;  // its messages
};

// "OK", the result message of 1 to 5, "configurations differ" for 6,
// "bad usage" for 64.
std::string FleetResultText(int code);
// The exit status of a run: 64 when any printer's arguments were refused,
// else the highest failure code 1 to 5, else 6 when any configuration
// differs, else 0.
int WorseCode(int a, int b);

class FleetReport {
 public:
  // commandJson: the command itself was given --json, so its output is
  // embedded as JSON when it is valid JSON.
  FleetReport(const std::vector<ListedPrinter>& printers, bool json, bool commandJson,
              FILE* out = stdout);

  // Prints the printer's block (or JSON line) at once.
  void Finished(const ListedPrinter& printer, const PrinterOutcome& outcome);
  // Counts by result and the whole run's time.
  void Summary(double seconds);
  int Worst() const { return worst_; }

  // The pieces, for tests.
  std::string TextBlock(const ListedPrinter& printer, const PrinterOutcome& outcome) const;
  std::string JsonLine(const ListedPrinter& printer, const PrinterOutcome& outcome) const;
  std::string SummaryText(double seconds) const;

 private:
  bool json_;
  bool commandJson_;
  FILE* out_;
  size_t nameWidth_ = 0;
  size_t printers_ = 0;
  std::map<int, size_t> counts_;  // by code
  int worst_ = 0;
};

}  // namespace varnalux
