#include "app/cli/fleet_report.h"

#include "app/cli/cli_link.h"
#include "app/cli/json_reader.h"
#include "base/numbers.h"
#include "base/printable_text.h"
#include "base/result_messages.h"

namespace varnalux {

namespace {

// Where a code stands among the results: success, then configurations
// that differ, then the failures by their code, then refused arguments.
int Rank(int code) {
  if (code == 0) return 0;
  if (code == ExitDifferent) return 1;
  if (code >= ResultPortOpenError && code <= ResultUnknownError) return 1 + code;
  if (code == ExitUsage) return 10;
  return 1 + ResultUnknownError;
}

std::string Seconds(double seconds) {
  char text[32];
  FormatFixed(seconds, 2, text, sizeof text);
  return text;
}

// Every line of text with the indent before it, ended by a line end.
std::string Indented(const std::string& text, const char* indent) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    out += indent + text.substr(at, end - at) + "\n";
    at = end + 1;
  }
  return out;
}

}  // namespace

std::string FleetResultText(int code) {
  if (code == 0) return "OK";
  if (code == ExitDifferent) return "configurations differ";
  if (code == ExitUsage) return "bad usage";
  return ResultMessage(code);
}

int WorseCode(int a, int b) { return Rank(b) > Rank(a) ? b : a; }

FleetReport::FleetReport(const std::vector<ListedPrinter>& printers, bool json, bool commandJson,
                         FILE* out)
    : json_(json), commandJson_(commandJson), out_(out) {
  for (const ListedPrinter& p : printers) nameWidth_ = std::max(nameWidth_, p.name.size());
}

std::string FleetReport::TextBlock(const ListedPrinter& printer,
                                   const PrinterOutcome& outcome) const {
  std::string line = printer.name;
  line.resize(std::max(nameWidth_, printer.name.size()), ' ');
  line += "  " + std::to_string(outcome.code) + "  " + FleetResultText(outcome.code) + "  " +
          Seconds(outcome.seconds) + "s\n";
  return line + Indented(outcome.out, "    ") + Indented(outcome.err, "    ");
}

std::string FleetReport::JsonLine(const ListedPrinter& printer,
                                  const PrinterOutcome& outcome) const {
  std::string output = JsonString(outcome.out);
  JsonValue parsed;
  JsonError error;
  if (commandJson_ && ReadJson(outcome.out, parsed, error)) output = CompactJson(parsed);
  return "{\"name\": " + JsonString(printer.name) + ", \"link\": " + JsonString(printer.link) +
         ", \"code\": " + std::to_string(outcome.code) +
         ", \"result\": " + JsonString(FleetResultText(outcome.code)) +
         ", \"seconds\": " + Seconds(outcome.seconds) + ", \"output\": " + output +
         ", \"errors\": " + JsonString(outcome.err) + "}\n";
}

void FleetReport::Finished(const ListedPrinter& printer, const PrinterOutcome& outcome) {
  ++printers_;
  ++counts_[outcome.code];
  worst_ = WorseCode(worst_, outcome.code);
  const std::string text = json_ ? JsonLine(printer, outcome) : TextBlock(printer, outcome);
  fwrite(text.data(), 1, text.size(), out_);
  fflush(out_);
}

std::string FleetReport::SummaryText(double seconds) const {
  if (json_) {
    std::string results;
    for (const auto& [code, count] : counts_)
      results += (results.empty() ? "" : ", ") + JsonString(FleetResultText(code)) + ": " +
                 std::to_string(count);
    return "{\"summary\": {\"printers\": " + std::to_string(printers_) + ", \"results\": {" +
           results + "}, \"seconds\": " + Seconds(seconds) +
           ", \"code\": " + std::to_string(worst_) + "}}\n";
  }
  std::string text = "summary: " + std::to_string(printers_) + " printers";
  for (const auto& [code, count] : counts_)
    text += ", " + std::to_string(count) + " " + FleetResultText(code);
  return text + ", " + Seconds(seconds) + "s\n";
}

void FleetReport::Summary(double seconds) {
  const std::string text = SummaryText(seconds);
  fwrite(text.data(), 1, text.size(), out_);
  fflush(out_);
}

}  // namespace varnalux
