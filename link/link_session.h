// One open link for the length of one operation: what every exchange with
// the printer is handed. It holds the link's driver row (looked up once, at
// the open) and the run's progress observer. The constructor opens the link
// through the facade; the link is closed exactly once, by Finish() or, on
// any other path out of the operation, by the destructor.
//
//   LinkSession link(kind);
//   if (!link.IsOpen()) return ResultPortOpenError;
//   if (!link.Write(bytes, n)) return ResultTransmitError;   // closed here
//   return link.Finish(ResultOk);  // 2 when the written bytes did not leave
#pragma once

#include <cstdint>

#include "link/link_progress.h"
#include "link/printer_link.h"

namespace varnalux {

class LinkSession {
 public:
  explicit LinkSession(InterfaceKind kind);
  ~LinkSession();
  LinkSession(const LinkSession&) = delete;
  LinkSession& operator=(const LinkSession&) = delete;

  bool IsOpen() const { return handle_ != InvalidLink; }
  // Why the open failed; None when it succeeded.
  OpenFailure Failure() const { return failure_; }
  LinkHandle Handle() const { return handle_; }
  // The window that follows this operation; null when the run has none.
  LinkProgress* Observer() const { return observer_; }

  // WriteLinkOn and ReadLinkByteOn on this link's driver row, followed by
  // the observer; false when it is not open. A failed Write is remembered for
  // the close.
  bool Write(const void* buffer, uint32_t length);
  // One piece of a longer write (a file sent as it is read).
  bool Write(const void* buffer, uint32_t length, const WritePlace& place);
  bool ReadByte(uint8_t& out);

  // Closes the link and returns result, except that a result of 0 becomes 2
  // when the bytes written did not leave before the close's bound. After a
  // failed Write, or with a result of 2 (a write failed, by the operation's
  // own account), the close drops what is still queued at once instead of
  // waiting for a queue that cannot drain. While the close waits, the window
  // follows what the printer takes of the last write.
  ResultCode Finish(ResultCode result);

 private:
  CloseMode CloseModeFor(ResultCode result) const;

  const LinkDriver* driver_;
  LinkProgress* observer_;
  LinkHandle handle_;
  OpenFailure failure_;
  bool writeFailed_ = false;
  WriteShare lastWrite_;
};

// The whole of an operation that sends one buffer: opens the link, writes
// the bytes once and finishes. 1 when the link does not open, 2 when the
// write fails or its bytes did not leave, else 0. With followed, the
// observer's percent window follows the write and stays up through the
// close, which may wait for the printer.
ResultCode WriteOnce(InterfaceKind kind, const void* bytes, uint32_t length,
                     bool followed = false);

}  // namespace varnalux
