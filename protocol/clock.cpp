#include "protocol/clock.h"

#include <cstdio>

#include "base/numbers.h"
#include "link/link_session.h"
#include "protocol/report_exchange.h"

namespace varnalux {

std::string ClockSettingText(const ClockSettings& clock) {
  char text[256];
  int n = snprintf(text, sizeof text,
                   "YEAR = %d\r\nMONTH = %d\r\nDATE = %d\r\nHOUR = %d\r\nMINUTE = %d\r\n"
                   "SECOND = %d\r\n",
                   static_cast<int>(clock.year % 100), static_cast<int>(clock.month),
                   static_cast<int>(clock.date), static_cast<int>(clock.hour),
                   static_cast<int>(clock.minute), static_cast<int>(clock.second));
  if (n < 0) return std::string();
  return std::string(text, static_cast<size_t>(n) < sizeof text ? n : sizeof text - 1);
}

ResultCode SetClock(InterfaceKind kind, const ClockSettings& clock) {
  const std::string text = ClockSettingText(clock);
  return WriteOnce(kind, text.data(), static_cast<uint32_t>(text.size()));
}

ResultCode ReadClock(InterfaceKind kind, ClockSettings& clock) {
  const char* announcement = InterfaceAnnouncement(kind);
  if (announcement == nullptr) return ResultPortOpenError;  // no such link
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;

  struct Query {
    const char* line;
    int32_t* field;
  };
  const Query queries[6] = {
      {"DIAGNOSTIC REPORT YEAR\r\n", &clock.year},
      {"DIAGNOSTIC REPORT MONTH\r\n", &clock.month},
      {"DIAGNOSTIC REPORT DATE\r\n", &clock.date},
      {"DIAGNOSTIC REPORT HOUR\r\n", &clock.hour},
      {"DIAGNOSTIC REPORT MINUTE\r\n", &clock.minute},
      {"DIAGNOSTIC REPORT SECOND\r\n", &clock.second},
  };
  char payload[ReportBodyMax + 1];
  uint32_t length = 0;
  ResultCode code = QueryReport(link, announcement, payload, sizeof payload, length);
  for (const Query& q : queries) {
    if (code != ResultOk) break;
    code = QueryInteger(link, q.line, *q.field);
  }
  return link.Finish(code);
}

}  // namespace varnalux
