// The manual pages and the bash completion tell what the programs' --help
// tells: the same commands and options. The version is the same everywhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "link/port_names.h"
#include "varnalux_version.h"

namespace {

using Names = std::set<std::string>;

// Commands described in the manual page and offered by the completion that
// the command-line tool of this branch does not have yet; they arrive with
// the file manager, font and network work. Empty this set once they are
// all in varnalux-cli --help.
const Names PendingCommands = {};
// Options of the virtual printer in the same state.
const Names PendingVprinterOptions = {};

std::string Output(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  int rc = pclose(p);
  if (status != nullptr) *status = rc;
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The manual page's text with its escapes for dashes and fonts undone.
std::string Plain(std::string line) {
  line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
  line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
  line = std::regex_replace(line, std::regex("\""), "");
  return line;
}

// The lines of one .SH section of a manual page.
std::vector<std::string> Section(const std::string& page, const std::string& title) {
  std::vector<std::string> out;
  bool in = false;
  for (const std::string& line : Lines(page)) {
    if (line.rfind(".SH ", 0) == 0) {
      in = Plain(line.substr(4)) == title;
      continue;
    }
    if (in) out.push_back(line);
  }
  return out;
}

// The first word of every .TP or .TQ tag of a section; with allWords,
// every word of the tag that starts with a dash. Entries indented with
// .RS/.RE (the settings of one option) count only with nested.
Names Tags(const std::vector<std::string>& lines, bool allWords, bool nested = false) {
  Names names;
  int depth = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(".RS", 0) == 0) ++depth;
    if (lines[i].rfind(".RE", 0) == 0) --depth;
    if ((depth != 0 && !nested) || (lines[i] != ".TP" && lines[i] != ".TQ") ||
        i + 1 >= lines.size())
      continue;
    std::string tag = Plain(lines[i + 1]);
    if (tag.rfind(".B", 0) == 0 || tag.rfind(".I", 0) == 0) tag = tag.substr(tag.find(' ') + 1);
    std::istringstream words(std::regex_replace(tag, std::regex("[,|\\[\\]]"), " "));
    for (std::string w; words >> w;) {
      if (!allWords) {
        names.insert(w);
        break;
      }
      if (w[0] == '-') names.insert(w);
    }
  }
  return names;
}

// The help text's lines between the line starting with from and the one
// starting with to.
std::vector<std::string> HelpPart(const std::string& help, const std::string& from,
                                  const std::string& to) {
  std::vector<std::string> out;
  bool in = false;
  for (const std::string& line : Lines(help)) {
    if (line.rfind(from, 0) == 0) {
      in = true;
      continue;
    }
    if (in && !to.empty() && line.rfind(to, 0) == 0) break;
    if (in) out.push_back(line);
  }
  return out;
}

Names FirstWords(const std::vector<std::string>& lines) {
  Names names;
  for (const std::string& line : lines) {
    std::istringstream words(line);
    std::string w;
    // A usage that goes on over more lines continues with its options.
    if (words >> w && w[0] != '[') names.insert(w);
  }
  return names;
}

Names Options(const std::vector<std::string>& lines) {
  Names names;
  std::regex option("(^|[ \\[|])(--?[a-z][a-z0-9-]*)");
  for (const std::string& line : lines)
    for (std::sregex_iterator m(line.begin(), line.end(), option), end; m != end; ++m)
      names.insert((*m)[2]);
  return names;
}

Names Minus(Names a, const Names& b) {
  for (const std::string& n : b) a.erase(n);
  return a;
}

Names Words(const std::string& text) {
  Names names;
  std::istringstream in(text);
  for (std::string w; in >> w;) names.insert(w);
  return names;
}

// What the completion offers after the words typed so far (the last one
// being completed).
std::string Complete(const std::string& words) {
  std::string script = "source '" VARNALUX_COMPLETION "' && COMP_WORDS=(varnalux-cli " + words +
                       ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _varnalux_cli; "
                       "printf '%s\\n' \"${COMPREPLY[@]}\"";
  std::string quoted;
  for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return Output("bash -c '" + quoted + "'");
}

std::string CliHelp() { return Output(VARNALUX_CLI_PATH " --help"); }
Names HelpCommands() { return FirstWords(HelpPart(CliHelp(), "commands:", "exit status")); }
Names HelpLinkOptions() {
  return Options(HelpPart(CliHelp(), "link options", "a list of printers"));
}
Names HelpListOptions() { return Options(HelpPart(CliHelp(), "a list of printers", "commands:")); }
std::string ManPage(const char* name) { return ReadFile(std::string(VARNALUX_MAN_DIR "/") + name); }

TEST(CliManPage, DescribesEveryCommandOfTheHelp) {
  Names help = HelpCommands();
  ASSERT_TRUE(help.count("status")) << "no command list in varnalux-cli --help";
  Names man = Tags(Section(ManPage("varnalux-cli.1"), "COMMANDS"), false);
  EXPECT_EQ(Minus(man, PendingCommands), help);
  for (const std::string& pending : PendingCommands) {
    EXPECT_TRUE(man.count(pending)) << pending << " is pending but not in the manual page";
    EXPECT_FALSE(help.count(pending))
        << pending << " is in --help now: take it out of PendingCommands";
  }
}

TEST(CliManPage, DescribesTheLinkOptionsOfTheHelp) {
  Names help = HelpLinkOptions();
  ASSERT_TRUE(help.count("--tcp") && help.count("--baud"));
  EXPECT_EQ(Tags(Section(ManPage("varnalux-cli.1"), "LINK OPTIONS"), true, true), help);
}

TEST(CliManPage, DescribesTheListOptionsOfTheHelp) {
  Names help = HelpListOptions();
  ASSERT_TRUE(help.count("--printers") && help.count("--jobs"));
  EXPECT_EQ(Tags(Section(ManPage("varnalux-cli.1"), "PRINTER LISTS"), true), help);
}

TEST(VprinterManPage, DescribesEveryOptionOfTheHelp) {
  std::string text = Output(VARNALUX_VPRINTER_PATH " --help");
  // Only the option column: the words at the start of the option lines.
  Names column;
  for (const std::string& line : HelpPart(text, "Options:", "")) {
    if (line.rfind("  -", 0) != 0) continue;
    std::istringstream words(line);
    std::string w;
    words >> w;
    column.insert(w);
  }
  ASSERT_TRUE(column.count("--listen") && column.count("--version"));
  Names man = Tags(Section(ManPage("varnalux-vprinter.1"), "OPTIONS"), true);
  man.erase("-h");
  EXPECT_EQ(Minus(man, PendingVprinterOptions), column);
  for (const std::string& pending : PendingVprinterOptions)
    EXPECT_FALSE(column.count(pending))
        << pending << " is in --help now: take it out of PendingVprinterOptions";
}

TEST(ExporterManPage, DescribesEveryOptionOfTheHelp) {
  std::string text = Output(VARNALUX_EXPORTER_PATH " --help");
  Names column;
  for (const std::string& line : HelpPart(text, "options:", "targets:")) {
    if (line.rfind("  -", 0) != 0) continue;
    std::istringstream words(line);
    std::string w;
    words >> w;
    column.insert(w);
  }
  ASSERT_TRUE(column.count("--listen") && column.count("--allow")) << text;
  EXPECT_EQ(Tags(Section(ManPage("varnalux-exporter.1"), "OPTIONS"), true), column);
}

TEST(GuiManPage, DescribesTheOptionsOfTheHelp) {
  if (std::string(VARNALUX_GUI_PATH).empty()) GTEST_SKIP() << "built without the desktop program";
  int status = -1;
  std::string help = Output(VARNALUX_GUI_PATH " --help", &status);
  EXPECT_EQ(status, 0);
  Names man = Tags(Section(ManPage("varnalux.1"), "OPTIONS"), true);
  EXPECT_EQ(man, Options(HelpPart(help, "Options:", "Toolkit")));
}

TEST(Completion, OffersTheCommandsAndLinkOptionsOfTheHelp) {
  Names offered = Words(Complete("''"));
  EXPECT_EQ(Minus(offered, PendingCommands), HelpCommands());
  for (const std::string& pending : PendingCommands) EXPECT_TRUE(offered.count(pending)) << pending;
  Names help = HelpLinkOptions();
  for (const std::string& option : HelpListOptions()) help.insert(option);
  help.insert("--help");
  help.insert("--version");
  EXPECT_EQ(Words(Complete("--")), help);
  // After a link option and its value the commands come again; so they do
  // after a list of printers and its options.
  EXPECT_EQ(Words(Complete("--com COM3 --baud 9600 ''")), offered);
  EXPECT_EQ(Words(Complete("--printers printers.list --jobs 16 --json ''")), offered);
  EXPECT_EQ(Words(Complete("--printers printers.list discover --")),
            (Names{"--json", "--save-printers"}));
}

TEST(Completion, OffersPortNamesAndMemoryDevices) {
  Names com = Words(Complete("--com ''"));
  EXPECT_EQ(com.size(), static_cast<size_t>(varnalux::ComPortCount));
  EXPECT_TRUE(com.count("COM1") && com.count("COM30"));
  EXPECT_EQ(Words(Complete("--lpt LPT")), (Names{"LPT1", "LPT2", "LPT3", "LPT4"}));
  EXPECT_EQ(Words(Complete("--tcp 127.0.0.1 format ''")), (Names{"dram", "flash", "card"}));
  // bash hands HOST:PORT over in three words.
  EXPECT_EQ(Words(Complete("--tcp 127.0.0.1 : 9100 format ''")), (Names{"dram", "flash", "card"}));
  EXPECT_EQ(Words(Complete("download a.bas --device f")), (Names{"flash"}));
  EXPECT_EQ(Words(Complete("calibrate ''")), (Names{"gap", "bline", "continuous"}));
}

TEST(Version, IsTheSameInEveryProgramAndManualPage) {
  EXPECT_EQ(Output(VARNALUX_CLI_PATH " --version"), "varnalux-cli " VARNALUX_VERSION "\n");
  EXPECT_EQ(Output(VARNALUX_VPRINTER_PATH " --version"),
            "varnalux-vprinter " VARNALUX_VERSION "\n");
  EXPECT_EQ(Output(VARNALUX_EXPORTER_PATH " --version"),
            "varnalux-exporter " VARNALUX_VERSION "\n");
  if (!std::string(VARNALUX_GUI_PATH).empty()) {
    EXPECT_EQ(Output(VARNALUX_GUI_PATH " --version"), "varnalux " VARNALUX_VERSION "\n");
  }
  for (const char* page : {"varnalux-cli.1", "varnalux-vprinter.1", "varnalux-exporter.1"})
    EXPECT_NE(ManPage(page).find("\"Varnalux " VARNALUX_VERSION "\""), std::string::npos) << page;
}

}  // namespace
