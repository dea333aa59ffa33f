#include "protocol/clock.h"

#include <cstdio>

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

int32_t AnswerInteger(const char* text, uint32_t length) {
  if (text == nullptr) return 0;
  uint32_t i = 0;
  auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  while (i < length && space(text[i])) ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  while (i < length && text[i] >= '0' && text[i] <= '9') {
    if (value <= 2147483648LL) value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) return 2147483647;
  if (value < -2147483648LL) return -2147483647 - 1;
  return static_cast<int32_t>(value);
}

ResultCode SetClock(InterfaceKind kind, const ClockSettings& clock) {
  const std::string text = ClockSettingText(clock);
  LinkSession link(kind);
  if (!link.IsOpen()) return ResultPortOpenError;
  bool ok = link.Write(text.data(), static_cast<uint32_t>(text.size()));
  return link.Finish(ok ? ResultOk : ResultTransmitError);
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
    code = QueryReport(link, q.line, payload, sizeof payload, length);
    if (code == ResultOk) *q.field = AnswerInteger(payload, length);
  }
  return link.Finish(code);
}

}  // namespace varnalux
