#include "sim/line_commands.h"

#include <cmath>
#include <functional>
#include <map>

#include "sim/command_parse.h"
#include "sim/name_tables.h"
#include "sim/report_answers.h"

namespace varnalux::sim {

namespace {

constexpr double LengthMaxMm = 1000.0;

struct Call {
  PrinterCore& core;
  const std::string& rest;  // the line after the command word, trimmed
  std::vector<std::string>& answers;
  PrinterSettings& s() { return core.config.Settings(); }
  int dpi() const { return core.config.Dpi(); }
};

using Handler = std::function<bool(Call&)>;

bool Within(long v, long lo, long hi) { return v >= lo && v <= hi; }

// A length argument in whole dots, within 0 .. limitMm (or +-limitMm when
// negative lengths are allowed); raw is the value before rounding.
bool Length(Call& c, const std::string& text, double limitMm, bool signedLength, int& dots,
            double& raw) {
  if (!ParseLength(text, c.dpi(), c.core.config.DotsPerMm(), raw)) return false;
  double limit = static_cast<double>(c.core.config.MmToDots(limitMm));
  if (raw > limit || raw < (signedLength ? -limit : 0.0)) return false;
  dots = static_cast<int>(std::lround(raw));
  return true;
}

bool Length(Call& c, const std::string& text, int& dots, double& raw) {
  return Length(c, text, LengthMaxMm, false, dots, raw);
}

bool Speed(Call& c) {
  double v = 0;
  if (!ParseNumber(c.rest, v) || v <= 0 || v > 20) return false;
  c.s().speed = v;
  return true;
}

bool Density(Call& c) {
  long v = 0;
  if (!ParseInt(c.rest, v) || !Within(v, 0, 15)) return false;
  c.s().density = static_cast<int>(v);
  return true;
}

bool Size(Call& c) {
  std::vector<std::string> parts = SplitArguments(c.rest);
  if (parts.empty() || parts.size() > 2) return false;
  int w = 0, h = 0;
  double raw = 0;
  if (!Length(c, parts[0], w, raw) || w <= 0) return false;
  if (parts.size() == 2 && (!Length(c, parts[1], h, raw) || h <= 0)) return false;
  c.s().paperWidthDots = w;
  if (parts.size() == 2) c.s().paperHeightDots = h;
  return true;
}

// GAP and BLINE: a zero gap with a zero offset means continuous media.
bool Sensor(Call& c, int mode) {
  std::vector<std::string> parts = SplitArguments(c.rest);
  if (parts.size() != 2) return false;
  int gap = 0, offset = 0;
  double rawGap = 0, rawOffset = 0;
  if (!Length(c, parts[0], gap, rawGap) || !Length(c, parts[1], offset, rawOffset)) return false;
  if (rawGap == 0 && rawOffset == 0) {
    c.s().sensorMode = 2;
    // A short gap probe followed by GAP 0,0 calibrates for continuous media.
    if (Upper(c.core.previousLine) == "GAP 0.12,0") ++c.core.calibrations;
  } else {
    c.s().sensorMode = mode;
  }
  c.s().gapDots = gap;
  c.s().gapOffsetDots = offset;
  return true;
}

bool Reference(Call& c) {
  std::vector<std::string> parts = SplitArguments(c.rest);
  long x = 0, y = 0;
  if (parts.size() != 2 || !ParseInt(parts[0], x) || !ParseInt(parts[1], y)) return false;
  if (!Within(x, 0, 100000) || !Within(y, 0, 100000)) return false;
  c.s().referenceX = static_cast<int>(x);
  c.s().referenceY = static_cast<int>(y);
  return true;
}

bool Direction(Call& c) {
  std::vector<std::string> parts = SplitArguments(c.rest);
  long d = 0, m = 0;
  if (parts.empty() || parts.size() > 2 || !ParseInt(parts[0], d) || !Within(d, 0, 1)) return false;
  if (parts.size() == 2 && (!ParseInt(parts[1], m) || !Within(m, 0, 1))) return false;
  c.s().direction = static_cast<int>(d);
  if (parts.size() == 2) c.s().mirror = static_cast<int>(m);
  return true;
}

bool Offset(Call& c) {
  int dots = 0;
  double raw = 0;
  if (!Length(c, c.rest, 100.0, true, dots, raw)) return false;
  c.s().offsetDots = dots;
  return true;
}

// SHIFT y, or SHIFT x,y with the horizontal shift first.
bool Shift(Call& c) {
  std::vector<std::string> parts = SplitArguments(c.rest);
  long a = 0, b = 0;
  if (parts.size() == 1) {
    if (!ParseInt(parts[0], a) || !Within(a, -1000, 1000)) return false;
    c.s().shift = static_cast<int>(a);
    return true;
  }
  if (parts.size() != 2 || !c.core.options.knowsShiftX) return false;
  if (!ParseInt(parts[0], a) || !ParseInt(parts[1], b)) return false;
  if (!Within(a, -1000, 1000) || !Within(b, -1000, 1000)) return false;
  c.s().shiftX = static_cast<int>(a);
  c.s().shift = static_cast<int>(b);
  return true;
}

bool CodePage(Call& c) {
  if (FindName(CodePageNames, c.rest) < 0) return false;
  c.s().codePage = c.rest;
  return true;
}

bool Country(Call& c) {
  if (FindName(CountryNames, c.rest) < 0) return false;
  c.s().country = c.rest;
  return true;
}

// SET TEAR / PEEL / CUTTER choose the one post-print action; switching one
// off leaves another one alone.
bool SetPrintOut(Call& c, const std::string& what, const std::string& value) {
  PrinterSettings& s = c.s();
  bool on = false;
  if (what == "CUTTER") {
    std::string v = Upper(value);
    long pieces = 0;
    if (v == "OFF" || (ParseInt(v, pieces) && pieces == 0)) {
      if (s.printOut == 3) s.printOut = 0;
      return true;
    }
    if (v == "BATCH") {
      s.printOut = 3;
      s.cutterPiece = 0;
      return true;
    }
    if (!ParseInt(v, pieces) || !Within(pieces, 1, 65535)) return false;
    s.printOut = 3;
    s.cutterPiece = static_cast<int>(pieces);
    return true;
  }
  if (!ParseOnOff(value, on)) return false;
  int mode = what == "TEAR" ? 1 : 2;
  if (on)
    s.printOut = mode;
  else if (s.printOut == mode)
    s.printOut = 0;
  return true;
}

bool SetOnOff(int& field, const std::string& value) {
  bool on = false;
  if (!ParseOnOff(value, on)) return false;
  field = on ? 1 : 0;
  return true;
}

// SET GAP n: the intensity of the sensor now selected.
bool SetSensorIntensity(Call& c, const std::string& value) {
  long v = 0;
  if (!ParseInt(value, v) || !Within(v, 0, 255)) return false;
  PrinterSettings& s = c.s();
  int& target = s.sensorMode == 1 ? s.blineInten : s.sensorMode == 2 ? s.conInten : s.gapInten;
  target = static_cast<int>(v);
  return true;
}

// SET COM1 96,N,8,1
bool SetCom(Call& c, const std::string& value) {
  std::vector<std::string> parts = SplitArguments(value);
  if (parts.size() != 4) return false;
  std::string baud = BaudRateFromCode(parts[0]);
  if (baud.empty()) return false;
  std::string p = Upper(parts[1]);
  std::string parity = p == "N" ? "None" : p == "O" ? "Odd" : p == "E" ? "Even" : "";
  if (parity.empty()) return false;
  if (FindName(DataBitNames, parts[2]) < 0 || FindName(StopBitNames, parts[3]) < 0) return false;
  PrinterSettings& s = c.s();
  s.baudRate = baud;
  s.parity = parity;
  s.dataBits = parts[2];
  s.stopBits = parts[3];
  return true;
}

bool Set(Call& c) {
  size_t space = c.rest.find(' ');
  if (space == std::string::npos) return false;
  std::string what = Upper(c.rest.substr(0, space));
  std::string value = Trim(c.rest.substr(space + 1));
  if (what == "TEAR" || what == "PEEL" || what == "CUTTER") return SetPrintOut(c, what, value);
  if (what == "RIBBON") return SetOnOff(c.s().ribbon, value);
  if (what == "HEAD") return SetOnOff(c.s().head, value);
  if (what == "REPRINT") return c.core.options.knowsReprint && SetOnOff(c.s().reprint, value);
  if (what == "GAP") return SetSensorIntensity(c, value);
  if (what == "COM1") return SetCom(c, value);
  return false;
}

bool Diagnostic(Call& c) {
  std::string upper = Upper(c.rest);
  if (upper.rfind("INTERFACE ", 0) == 0) {
    std::string kind = Trim(upper.substr(10));
    if (kind != "USB" && kind != "COM" && kind != "LPT" && kind != "NET") return false;
    EmitFramed(c.core, c.answers, "OK");
    return true;
  }
  if (upper.rfind("REPORT ", 0) == 0) {
    std::vector<std::string> payloads;
    // An unknown key is recognised as a query but gets no answer.
    if (ResolveReport(c.core, Trim(upper.substr(7)), payloads))
      for (const std::string& p : payloads) EmitFramed(c.core, c.answers, p);
    return true;
  }
  return false;
}

// [F,|E,]"name" as the argument of KILL and LOAD; device -1 when absent.
bool DeviceName(const std::string& rest, int& device, std::string& name) {
  std::vector<std::string> parts = SplitArguments(rest);
  if (parts.size() == 1) {
    device = -1;
    return ParseQuoted(parts[0], name);
  }
  if (parts.size() != 2) return false;
  device = DeviceFromLetter(parts[0]);
  return device >= 0 && ParseQuoted(parts[1], name);
}

bool Kill(Call& c) {
  int device = 0;
  std::string name;
  if (!DeviceName(c.rest, device, name)) return false;
  c.core.memory.Kill(device < 0 ? DeviceDram : device, name);
  return true;
}

// The file's bytes, raw; nothing when there is no such file.
bool Load(Call& c) {
  int device = 0;
  std::string name, bytes;
  if (!DeviceName(c.rest, device, name)) return false;
  bool found =
      device < 0 ? c.core.memory.Find(name, bytes) : c.core.memory.Get(device, name, bytes);
  if (found && !bytes.empty()) EmitRaw(c.core, c.answers, bytes);
  return true;
}

bool NoArguments(Call& c) { return c.rest.empty(); }

bool Collected(Call&) { return true; }

bool InitialPrinter(Call& c) {
  if (!c.rest.empty()) return false;
  c.core.config.ResetToDefaults();
  return true;
}

bool SelfTest(Call& c) {
  ++c.core.selfTests;
  return true;
}

// GAPDETECT (mode 0) and BLINEDETECT (mode 1): a calibration that also sets
// the sensor.
bool Detect(Call& c, int sensorMode) {
  c.s().sensorMode = sensorMode;
  ++c.core.calibrations;
  return true;
}

// PRINT m[,n]: counts m labels, at most 100000 a command.
bool Print(Call& c) {
  std::vector<std::string> parts = SplitArguments(c.rest);
  long sets = 0;
  if (parts.empty() || parts.size() > 2 || !ParseInt(parts[0], sets) || sets < 1) return false;
  c.core.labelsPrinted += static_cast<int>(sets < 100000 ? sets : 100000);
  return true;
}

const std::map<std::string, Handler>& Handlers() {
  static const std::map<std::string, Handler> table = {
      {"SPEED", Speed},
      {"DENSITY", Density},
      {"SIZE", Size},
      {"GAP", [](Call& c) { return Sensor(c, 0); }},
      {"BLINE", [](Call& c) { return Sensor(c, 1); }},
      {"REFERENCE", Reference},
      {"DIRECTION", Direction},
      {"OFFSET", Offset},
      {"SHIFT", Shift},
      {"CODEPAGE", CodePage},
      {"COUNTRY", Country},
      {"SET", Set},
      {"DIAGNOSTIC", Diagnostic},
      {"KILL", Kill},
      {"LOAD", Load},
      {"NET", [](Call& c) { return c.core.net.Apply("NET " + c.rest); }},
      {"INITIALPRINTER", InitialPrinter},
      {"SELFTEST", SelfTest},
      {"GAPDETECT", [](Call& c) { return Detect(c, 0); }},
      {"BLINEDETECT", [](Call& c) { return Detect(c, 1); }},
      {"CLS", NoArguments},
      {"PRINT", Print},
      // Drawing commands: collected with the label program, nothing more.
      {"BOX", Collected},
      {"BAR", Collected},
      {"BARCODE", Collected},
      {"TEXT", Collected},
      {"QRCODE", Collected},
      {"BITMAP", Collected},
      {"PUTBMP", Collected},
      {"PUTPCX", Collected},
      {"ERASE", Collected},
      {"REVERSE", Collected},
      {"CIRCLE", Collected},
      {"FEED", Collected},
      {"FORMFEED", NoArguments},
      {"HOME", NoArguments},
  };
  return table;
}

// YEAR = n, MONTH = n, ... SECOND = n.
bool ClockAssignment(PrinterCore& core, const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  std::string name = Upper(Trim(line.substr(0, eq)));
  long value = 0;
  if (!ParseInt(line.substr(eq + 1), value)) return false;
  return core.clock.SetField(name, value);
}

}  // namespace

bool IsLoadLine(const std::string& rawLine) {
  std::string line = Trim(rawLine);
  size_t space = line.find(' ');
  if (space == std::string::npos || Upper(line.substr(0, space)) != "LOAD") return false;
  int device = 0;
  std::string name;
  return DeviceName(Trim(line.substr(space + 1)), device, name);
}

void EmitRaw(const PrinterCore& core, std::vector<std::string>& answers, const std::string& bytes) {
  if (core.fault == Fault::Silent) return;
  answers.push_back(bytes);
}

void EmitFramed(const PrinterCore& core, std::vector<std::string>& answers,
                const std::string& payload) {
  EmitRaw(core, answers, FrameAnswer(payload, core.fault == Fault::Malformed));
}

void ExecuteLine(PrinterCore& core, LabelCapture& label, const std::string& rawLine,
                 std::vector<std::string>& answers) {
  std::string line = Trim(rawLine);
  if (line.empty()) return;
  size_t space = line.find(' ');
  std::string word = Upper(line.substr(0, space));
  std::string rest = space == std::string::npos ? std::string() : Trim(line.substr(space + 1));

  if (word == "CLS") {
    label.active = true;
    label.program.clear();
  }
  bool known = ClockAssignment(core, line);
  if (!known) {
    const auto& table = Handlers();
    if (auto it = table.find(word); it != table.end()) {
      Call call{core, rest, answers};
      known = it->second(call);
    }
  }
  if (label.active) {
    // Bounded: a label program beyond 1 MiB is not kept whole.
    if (label.program.size() < (1u << 20)) label.program += line + "\r\n";
    if (known && word == "PRINT") {
      core.lastLabelProgram = label.program;
      label.active = false;
      label.program.clear();
    }
  }
  if (known)
    core.NoteCommand(line);
  else
    core.NoteIgnored(line);
  core.previousLine = line.substr(0, 64);
}

}  // namespace varnalux::sim
