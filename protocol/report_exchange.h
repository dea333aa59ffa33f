// The status query and the framed answers to DIAGNOSTIC REPORT queries.
//
// A ReportAnswer on the wire: any lead-in bytes, "{", a decimal length field
// (digits only, possibly empty), "|", exactly that many payload bytes, "}".
// The body between the braces holds at most 1024 bytes.
#pragma once

#include <cstdint>
#include <functional>

#include "base/codes.h"
#include "base/deadline.h"
#include "link/link_progress.h"
#include "link/link_session.h"
#include "link/link_timeouts.h"
#include "protocol/printer_status.h"

namespace varnalux {

inline constexpr uint32_t ReportBodyMax = 1024;
// Most lead-in bytes skipped before an answer's "{".
inline constexpr uint32_t ReportLeadInMax = 65536;
inline constexpr int ReportLengthDigitsMax = 31;

// ESC ! ? : answered by one raw status byte.
inline constexpr uint8_t StatusQueryBytes[3] = {0x1B, 0x21, 0x3F};

// The line that opens every report exchange, by interface kind; null for a
// kind outside 0..3.
const char* InterfaceAnnouncement(InterfaceKind kind);

// Operation 0: opens the link, asks ESC ! ?, reads one byte, closes.
ResultCode QueryStatus(InterfaceKind kind, PrinterStatus& status);

// Reads one ReportAnswer from the link. On success the payload and a NUL
// are stored in payload (capacity bytes; an answer that does not fit with
// its NUL fails) and length is set.
bool ReadReportAnswer(LinkSession& link, char* payload, uint32_t capacity, uint32_t& length);

// One write of the NUL-terminated text: 0, or 2 when it failed.
ResultCode SendCommand(LinkSession& link, const char* text);

// SendCommand, then ReadReportAnswer: 0, 2 (write failed) or 3 (no answer).
ResultCode QueryReport(LinkSession& link, const char* query, char* payload, uint32_t capacity,
                       uint32_t& length);

// QueryReport of a number: the answer read leniently, as atol reads a text
// (leading blanks, a sign, the digits up to the first other character), into
// value, which is left as it was unless the result is 0.
ResultCode QueryInteger(LinkSession& link, const char* query, int32_t& value);

// The pace and the bounds of one list read, from its query on (the bounds
// are the link settings' ListTimeouts): the pause before each answer, during
// which the window handles its messages; the wall-clock bound of the whole
// list; a short bound for reading on to the end of a list that was cut; and
// the user's Cancel, offered once the read has lasted a while, through the
// link's observer.
class ListPace {
 public:
  enum class Stop { None, Bound, Cancelled };

  explicit ListPace(const LinkSession& link);
  // Takes back the Cancel offer it made.
  ~ListPace();
  ListPace(const ListPace&) = delete;
  ListPace& operator=(const ListPace&) = delete;

  // The pause before the next answer; None when the read may go on.
  Stop Pause();
  // The same checks without the pause (reading on after a cut).
  Stop Look();
  // The list was cut: from now on it may go on only for the after-cut bound.
  void Cut();

 private:
  LinkProgress* observer_;
  ListTimeouts timeouts_;
  Deadline whole_;
  Deadline offerAt_;
  Deadline afterCut_;
  bool cut_ = false;
  bool offered_ = false;
};

// How one list read went besides its result: whether the list was cut (an
// answer did not fit; the caller may say so when the read began cut, the
// answers are then read but none kept) and what stopped a list whose end did
// not come (Bound also for one of more answers than its most).
struct ListRead {
  bool cut = false;
  ListPace::Stop stop = ListPace::Stop::None;
};

// The one list collector. Writes the query, then reads answers at the pace
// of ListPace until an empty one, at most answersMax of them. Each non-empty
// answer goes to keep, which returns false when it does not fit: there the
// list is cut, and the rest is read without the pause but not kept, so the
// exchange stays in step, for at most the pace's after-cut bound. 0 when the
// list ended (cut or not), 2 when the query was not written, 3 when an
// answer was missing or broken, the list passed its bound or was cancelled.
using KeepAnswer = std::function<bool(const char* payload, uint32_t length)>;
ResultCode CollectReportList(LinkSession& link, const char* query, uint32_t answersMax,
                             const KeepAnswer& keep, ListRead& read);

// The collector into one buffer. The payloads land in list, each followed by
// CR LF, NUL-terminated; total counts the CR LF pairs but not the NUL. A list
// with an answer that would not fit with its CR LF and the NUL is refused
// with 3 once it was read (nothing is written beyond capacity), as is a list
// that passes its bound or is cancelled. 0, 2 or 3 as QueryReport.
ResultCode QueryReportList(LinkSession& link, const char* query, char* list, uint32_t capacity,
                           uint32_t& total);

}  // namespace varnalux
