#include "app/cli/printer_list.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>

#include "app/cli/json_reader.h"
#include "base/printable_text.h"
#include "link/serial_words.h"

namespace varnalux {

namespace {

std::string Quoted(const std::string& text) {
  // Appended rather than "'" + ...: GCC 12 at -O3 warns (-Wrestrict) on that
  // form falsely.
  std::string quoted(1, '\'');
  quoted += PlainText(text);
  quoted += '\'';
  return quoted;
}

// The link options that say what a list's LINK says; false with why.
bool LinkArguments(const std::vector<std::string>& words, std::vector<std::string>& args,
                   std::string& why) {
  const std::string& link = words[0];
  const size_t colon = link.find(':');
  const std::string kind = link.substr(0, colon);
  const std::string value = colon == std::string::npos ? "" : link.substr(colon + 1);
  if (link == "usb") {
    args = {"--usb"};
  } else if (colon != std::string::npos && (kind == "tcp" || kind == "com" || kind == "lpt")) {
    if (value.empty())
      return why = kind + ": needs " + (kind == "tcp" ? "an address" : "a port"), false;
    args = {"--" + kind, value};
  } else {
    return why = "unknown link " + Quoted(link) + " (tcp:ADDRESS, com:PORT, lpt:PORT or usb)",
           false;
  }
  if (words.size() > 1 && kind != "com")
    return why = "only a com: link takes settings, not " + Quoted(words[1]), false;
  std::vector<std::string> seen;
  for (size_t i = 1; i < words.size(); ++i) {
    const size_t eq = words[i].find('=');
    const std::string key = words[i].substr(0, eq);
    if (eq == std::string::npos || !IsSerialWord(key))
      return why =
                 "bad serial setting " + Quoted(words[i]) + " (baud= data= parity= stop= hw= sw=)",
             false;
    for (const std::string& s : seen)
      if (s == key) return why = key + "= given twice", false;
    seen.push_back(key);
    args.push_back("--" + key);
    args.push_back(words[i].substr(eq + 1));
  }
  return true;
}

// The link that words (LINK and its settings) name, through the command
// line's own link options.
bool ReadLink(const std::vector<std::string>& words, ListedPrinter& printer, std::string& why) {
  std::vector<std::string> args;
  if (!LinkArguments(words, args, why)) return false;
  std::string error;
  if (!ParseLinkOptions(args, printer.settings, error) || !args.empty())
    return why = "bad link " + Quoted(words[0]) + ": " + PlainText(error), false;
  printer.link = words[0];
  for (size_t i = 1; i < words.size(); ++i) printer.link += " " + words[i];
  return true;
}

bool NameFits(const std::string& name, std::string& why) {
  if (ListNameAllowed(name)) return true;
  why = "the name " + Quoted(name) + " may hold only letters, digits, '-', '_' and '.', not " +
        "start with a dot, and have at most " + std::to_string(ListNameMax) + " characters";
  return false;
}

bool Fail(int line, const std::string& why, ListError& error) {
  error = ListError{line, why};
  return false;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size() || line[at] == '#') break;  // a comment runs to the line's end
    size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

// Adds a printer unless its name is taken or the list is full.
bool Add(ListedPrinter printer, std::vector<ListedPrinter>& printers,
         std::map<std::string, int>& lines, ListError& error) {
  if (auto it = lines.find(printer.name); it != lines.end())
    return Fail(
        printer.line,
        "the name " + Quoted(printer.name) + " is taken by line " + std::to_string(it->second),
        error);
  if (printers.size() >= ListPrintersMax)
    return Fail(printer.line, "more than " + std::to_string(ListPrintersMax) + " printers", error);
  lines.emplace(printer.name, printer.line);
  printers.push_back(std::move(printer));
  return true;
}

bool ParseLines(const std::string& text, std::vector<ListedPrinter>& printers, ListError& error) {
  std::map<std::string, int> lines;
  int number = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    ListedPrinter printer;
    printer.line = number;
    printer.name = words[0];
    std::string why;
    if (words.size() < 2) why = "a printer needs a name and a link";
    if (why.empty() && NameFits(printer.name, why))
      ReadLink({words.begin() + 1, words.end()}, printer, why);
    if (!why.empty()) return Fail(number, why, error);
    if (!Add(std::move(printer), printers, lines, error)) return false;
  }
  return true;
}

// One target group of the JSON form: {"targets": [...], "labels": {...}}.
bool ParseGroup(const JsonValue& group, std::vector<ListedPrinter>& printers,
                std::map<std::string, int>& lines, ListError& error) {
  using Kind = JsonValue::Kind;
  if (group.kind != Kind::Object)
    return Fail(group.line, "a target group must be an object", error);
  const JsonValue* targets = group.Member("targets");
  const JsonValue* labels = group.Member("labels");
  if (targets == nullptr || targets->kind != Kind::Array || group.Count("targets") > 1)
    return Fail(group.line, "a target group needs one \"targets\" array", error);
  if (labels != nullptr && (labels->kind != Kind::Object || group.Count("labels") > 1))
    return Fail(labels->line, "\"labels\" must be one object", error);
  const JsonValue* name = labels != nullptr ? labels->Member("name") : nullptr;
  if (name != nullptr && (name->kind != Kind::String || labels->Count("name") > 1))
    return Fail(name->line, "the name label must be one string", error);
  for (const JsonValue& target : targets->items) {
    if (target.kind != Kind::String) return Fail(target.line, "a target must be a string", error);
    ListedPrinter printer;
    printer.line = target.line;
    printer.name = name != nullptr ? name->text : ListNameFrom(target.text);
    std::string why;
    if (!NameFits(printer.name, why) || !ReadLink({"tcp:" + target.text}, printer, why))
      return Fail(target.line, why, error);
    if (!Add(std::move(printer), printers, lines, error)) return false;
  }
  return true;
}

bool ParseTargets(const std::string& text, std::vector<ListedPrinter>& printers, ListError& error) {
  JsonValue root;
  JsonError bad;
  if (!ReadJson(text, root, bad)) return Fail(bad.line, bad.why, error);
  if (root.kind != JsonValue::Kind::Array)
    return Fail(root.line, "the list must be an array of target groups", error);
  std::map<std::string, int> lines;
  for (const JsonValue& group : root.items)
    if (!ParseGroup(group, printers, lines, error)) return false;
  return true;
}

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
}

}  // namespace

bool ListNameAllowed(const std::string& name) {
  if (name.empty() || name.size() > ListNameMax || name[0] == '.') return false;
  for (char c : name)
    if (!IsNameCharacter(c)) return false;
  return true;
}

std::string ListNameFrom(const std::string& text) {
  std::string name;
  for (char c : text) {
    if (c == '[' || c == ']') continue;
    name += IsNameCharacter(c) ? c : '_';
    if (name.size() == ListNameMax) break;
  }
  if (name.empty()) return "printer";
  if (name[0] == '.') name[0] = '_';
  return name;
}

std::string UniqueListName(const std::string& name, const std::set<std::string>& taken) {
  if (taken.count(name) == 0) return name;
  for (size_t n = 2;; ++n) {
    std::string suffix(1, '-');
    suffix += std::to_string(n);
    const std::string candidate = name.substr(0, ListNameMax - suffix.size()) + suffix;
    if (taken.count(candidate) == 0) return candidate;
  }
}

bool ParsePrinterList(const std::string& text, std::vector<ListedPrinter>& printers,
                      ListError& error) {
  printers.clear();
  error = ListError{};
  // The JSON form starts with its array; a line of the other form cannot
  // (a name has no bracket).
  const size_t first = text.find_first_not_of(" \t\r\n");
  const bool json = first != std::string::npos && text[first] == '[';
  bool ok = json ? ParseTargets(text, printers, error) : ParseLines(text, printers, error);
  if (ok && printers.empty()) ok = Fail(0, "no printer in the list", error);
  if (!ok) printers.clear();
  return ok;
}

bool LoadPrinterList(const std::string& path, std::vector<ListedPrinter>& printers,
                     std::string& error) {
  printers.clear();
  // Only a regular file: a FIFO would hold the run until someone writes it.
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    return error = path + ": the printer list is not a regular file", false;
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return error = path + ": cannot open the printer list", false;
  std::string text;
  char buffer[65536];
  size_t n = 0;
  while (text.size() <= ListBytesMax && (n = fread(buffer, 1, sizeof buffer, f)) > 0)
    text.append(buffer, n);
  const bool failed = ferror(f) != 0;
  fclose(f);
  if (failed) return error = path + ": cannot read the printer list", false;
  if (text.size() > ListBytesMax)
    return error = path + ": the printer list is larger than " +
                   std::to_string(ListBytesMax / (1024 * 1024)) + " MiB",
           false;
  ListError bad;
  if (ParsePrinterList(text, printers, bad)) return true;
  error = path + ":" + (bad.line > 0 ? std::to_string(bad.line) + ":" : "") + " " + bad.why;
  return false;
}

}  // namespace varnalux
