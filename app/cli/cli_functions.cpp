// Printer functions and the clock: factory-default, selftest, dump-text,
// calibrate, reset, ignore-autobas, test-page and clock.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_output.h"
#include "base/numbers.h"
#include "operations/dispatcher.h"
#include "protocol/clock.h"
#include "protocol/config_reader.h"
#include "protocol/dump_read_back.h"
#include "protocol/printer_config.h"
#include "protocol/printer_functions.h"

namespace varnalux {

namespace {

constexpr const char* DumpUsage = "dump-text print|card NAME|file OUT";
constexpr const char* CalibrateUsage = "calibrate gap|bline|continuous";
constexpr const char* TestPageUsage = "test-page WIDTH_MM HEIGHT_MM";
constexpr const char* ClockUsage = "clock get [--json] | clock set now|YYYY-MM-DDTHH:MM:SS";

int RunPlain(CliLink& link, const CliArgs& args, OperationCode op, const char* usage) {
  if (!args.empty()) return UsageError(usage);
  return ReportCliResult(RunOperation(op, link.kind, nullptr, 0));
}

// A number typed by the user, converted as the window converts typed
// numbers, that fits a float.
bool StrictFloat(const std::string& text, float& value) {
  double v = 0;
  if (!ParseStrictDecimal(text.c_str(), v) || !std::isfinite(v) || std::fabs(v) > FLT_MAX)
    return false;
  value = static_cast<float>(v);
  return true;
}

// Two decimal digits (or four) at text[at], as a number.
bool Digits(const std::string& text, size_t at, size_t count, int& value) {
  value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// YYYY-MM-DDTHH:MM:SS, with the fields in their ranges.
bool ParseTimestamp(const std::string& text, ClockSettings& clock) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':')
    return false;
  int y, mo, d, h, mi, s;
  if (!Digits(text, 0, 4, y) || !Digits(text, 5, 2, mo) || !Digits(text, 8, 2, d) ||
      !Digits(text, 11, 2, h) || !Digits(text, 14, 2, mi) || !Digits(text, 17, 2, s))
    return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  clock.year = y;
  clock.month = mo;
  clock.date = d;
  clock.hour = h;
  clock.minute = mi;
  clock.second = s;
  return true;
}

bool LocalNow(ClockSettings& clock) {
  time_t now = time(nullptr);
  struct tm local {};
  if (localtime_r(&now, &local) == nullptr) return false;
  clock.year = local.tm_year + 1900;
  clock.month = local.tm_mon + 1;
  clock.date = local.tm_mday;
  clock.hour = local.tm_hour;
  clock.minute = local.tm_min;
  clock.second = local.tm_sec;
  return true;
}

int DumpToFile(CliLink& link, const std::string& out) {
  DumpTextSettings settings{};
  settings.mode = 2;
  CopyText(settings.fileName, sizeof settings.fileName, DumpReadBack::FileName);
  ResultCode code = RunOperation(OpDumpText, link.kind, &settings, 0);
  if (code != ResultOk) return ReportCliResult(code);

  DumpReadBack readBack;
  code = RunOperation(OpReadPrinterFile, link.kind, readBack.Request(), 0);
  if (code != ResultOk) return ReportCliResult(code);
  if (readBack.Count() == 0) {
    fprintf(CliErr(), "varnalux-cli: the printer sent nothing back for %s; %s not written\n",
            DumpReadBack::FileName, out.c_str());
    return ResultReceiveError;
  }
  if (!readBack.SaveTo(out)) {
    fprintf(CliErr(), "varnalux-cli: cannot write %s\n", out.c_str());
    return ReportCliResult(ResultFileOpenError);
  }
  return 0;
}

}  // namespace

int CmdFactoryDefault(CliLink& link, const CliArgs& args) {
  return RunPlain(link, args, OpFactoryDefault, "factory-default");
}

int CmdSelftest(CliLink& link, const CliArgs& args) {
  return RunPlain(link, args, OpPrintConfigurationPage, "selftest");
}

int CmdReset(CliLink& link, const CliArgs& args) {
  return RunPlain(link, args, OpResetPrinter, "reset");
}

int CmdIgnoreAutoBas(CliLink& link, const CliArgs& args) {
  return RunPlain(link, args, OpIgnoreAutoBas, "ignore-autobas");
}

int CmdDumpText(CliLink& link, const CliArgs& args) {
  if (args.empty()) return UsageError(DumpUsage);
  if (args[0] == "print" && args.size() == 1) {
    DumpTextSettings settings{};
    settings.mode = 0;
    return ReportCliResult(RunOperation(OpDumpText, link.kind, &settings, 0));
  }
  if (args[0] == "card" && args.size() == 2) {
    const std::string& name = args[1];
    if (name.size() >= PrinterFileNameSize) {
      fprintf(CliErr(), "varnalux-cli: printer file name longer than %d bytes\n",
              PrinterFileNameSize - 1);
      return ExitUsage;
    }
    if (!PrinterFileNameIsSafe(name.c_str())) {
      fprintf(CliErr(),
              "varnalux-cli: a printer file name may not hold a double quote or a "
              "control character\n");
      return ExitUsage;
    }
    DumpTextSettings settings{};
    settings.mode = 1;
    CopyText(settings.fileName, sizeof settings.fileName, name.c_str());
    return ReportCliResult(RunOperation(OpDumpText, link.kind, &settings, 0));
  }
  if (args[0] == "file" && args.size() == 2) return DumpToFile(link, args[1]);
  return UsageError(DumpUsage);
}

int CmdCalibrate(CliLink& link, const CliArgs& args) {
  if (args.size() != 1) return UsageError(CalibrateUsage);
  int32_t choice;
  if (args[0] == "gap")
    choice = 0;
  else if (args[0] == "bline")
    choice = 1;
  else if (args[0] == "continuous")
    choice = 2;
  else
    return UsageError(CalibrateUsage);
  return ReportCliResult(RunOperation(OpCalibrateSensor, link.kind, &choice, 0));
}

int CmdTestPage(CliLink& link, const CliArgs& args) {
  if (args.size() != 2) return UsageError(TestPageUsage);
  TestPageRequest request{};
  if (!StrictFloat(args[0], request.paperWidth)) {
    fprintf(CliErr(), "varnalux-cli: '%s' is not a valid floating point value\n", args[0].c_str());
    return ExitUsage;
  }
  if (!StrictFloat(args[1], request.paperHeight)) {
    fprintf(CliErr(), "varnalux-cli: '%s' is not a valid floating point value\n", args[1].c_str());
    return ExitUsage;
  }
  // The label is scaled by the printer's resolution, so it is read first.
  PrinterConfig config;
  ResetConfig(config);
  ResultCode code = RunOperation(OpReadConfig, link.kind, &config, 0);
  if (code != ResultOk) return ReportCliResult(code);
  if (!config.dpiValid) {
    fprintf(CliErr(), "varnalux-cli: the printer did not give its resolution\n");
    return ReportCliResult(ResultReceiveError);
  }
  request.dpi = config.dpi;
  request.dotsPerMm = config.dotsPerMm;
  request.sensorMode = config.sensorMode;
  return ReportCliResult(RunOperation(OpPrintTestPage, link.kind, &request, 0));
}

int CmdClock(CliLink& link, const CliArgs& args) {
  if (args.empty()) return UsageError(ClockUsage);
  if (args[0] == "get") {
    bool json = false;
    for (size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--json")
        json = true;
      else
        return UsageError(ClockUsage);
    }
    ClockSettings clock{};
    ResultCode code = RunOperation(OpReadClock, link.kind, &clock, 0);
    if (code != ResultOk) return ReportCliResult(code);
    if (json)
      fprintf(CliOut(),
              "{\"year\": %d, \"month\": %d, \"date\": %d, \"hour\": %d, \"minute\": %d, "
              "\"second\": %d}\n",
              clock.year, clock.month, clock.date, clock.hour, clock.minute, clock.second);
    else
      fprintf(CliOut(), "%04d-%02d-%02dT%02d:%02d:%02d\n", clock.year, clock.month, clock.date,
              clock.hour, clock.minute, clock.second);
    return 0;
  }
  if (args[0] == "set" && args.size() == 2) {
    ClockSettings clock{};
    if (args[1] == "now") {
      if (!LocalNow(clock)) {
        fprintf(CliErr(), "varnalux-cli: the local time is not available\n");
        return ReportCliResult(ResultUnknownError);
      }
    } else if (!ParseTimestamp(args[1], clock)) {
      fprintf(CliErr(), "varnalux-cli: '%s' is not a time of the form YYYY-MM-DDTHH:MM:SS\n",
              args[1].c_str());
      return UsageError(ClockUsage);
    }
    return ReportCliResult(RunOperation(OpSetClock, link.kind, &clock, 0));
  }
  return UsageError(ClockUsage);
}

}  // namespace varnalux
