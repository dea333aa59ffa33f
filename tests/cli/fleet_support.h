// Virtual printers in this process for runs of the tool over a list of
// printers, with the list file written in a temporary folder, and the
// tool's JSON lines read back.
#pragma once

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "app/cli/json_reader.h"
#include "sim/virtual_printer.h"
#include "tests/support/refusing_port.h"
#include "tests/support/temp_folder.h"

namespace varnalux::testing {

class PrinterFleet {
 public:
  // count printers on 127.0.0.1, named name-1 ... name-count.
  explicit PrinterFleet(int count, const std::string& name = "p") {
    for (int i = 1; i <= count; ++i) Add(name + "-" + std::to_string(i));
  }

  sim::VirtualPrinter& Add(const std::string& name, const sim::PrinterOptions& options = {}) {
    printers_.push_back(std::make_unique<sim::VirtualPrinter>(options));
    EXPECT_TRUE(printers_.back()->StartTcp("127.0.0.1", 0));
    list_ += name + " tcp:127.0.0.1:" + std::to_string(printers_.back()->TcpPort()) + "\n";
    names_.push_back(name);
    return *printers_.back();
  }
  // A line of the list as it is (a printer not served here).
  void AddLine(const std::string& line) { list_ += line + "\n"; }

  sim::VirtualPrinter& operator[](size_t i) { return *printers_[i]; }
  size_t size() const { return printers_.size(); }
  const std::string& Name(size_t i) const { return names_[i]; }

  // The list file, written anew.
  std::string ListFile() { return folder_.Write("printers.list", list_); }
  const TempFolder& Folder() const { return folder_; }

  // Connections any printer was given, in all.
  size_t Connections() const {
    size_t n = 0;
    for (const auto& p : printers_) n += p->ConnectionCount();
    return n;
  }

 private:
  TempFolder folder_;
  std::vector<std::unique_ptr<sim::VirtualPrinter>> printers_;
  std::vector<std::string> names_;
  std::string list_;
};

// The JSON lines of a run: one object a printer, then the summary.
inline std::vector<JsonValue> JsonLines(const std::string& out) {
  std::vector<JsonValue> lines;
  size_t at = 0;
  while (at < out.size()) {
    size_t end = out.find('\n', at);
    if (end == std::string::npos) end = out.size();
    JsonValue v;
    JsonError e;
    EXPECT_TRUE(ReadJson(out.substr(at, end - at), v, e)) << out.substr(at, end - at) << e.why;
    lines.push_back(v);
    at = end + 1;
  }
  return lines;
}

// A member's text ("" when missing), for strings and numbers alike.
inline std::string Text(const JsonValue& object, const char* key) {
  const JsonValue* v = object.Member(key);
  return v != nullptr ? v->text : "";
}

}  // namespace varnalux::testing
