// Running a printer operation from a handler of a page: the window that owns
// the page lends its selected link and its handler protocol through
// OperationHost, and every handler runs its operations inside one
// PrinterOperation scope.
#pragma once

#include <cstdint>

#include "base/codes.h"

namespace varnalux {

class InputFile;
struct StreamReport;

class OperationHost {
 public:
  virtual ~OperationHost() = default;

  // Disables the window and puts the progress origin where dialogs go.
  virtual void BeginOperation() = 0;
  // Enables the window and brings it to the front when it shows.
  virtual void EndOperation() = 0;
  // RunOperation on the selected link, with no window handling and no
  // message.
  virtual varnalux::ResultCode Run(varnalux::OperationCode op, void* data, int32_t extra) = 0;
  // The raw send of an opened file on the selected link, piece by piece as
  // it is read (RunFileSend), with no window handling and no message.
  virtual varnalux::ResultCode RunFileSend(varnalux::InputFile& file,
                                           varnalux::StreamReport& report) = 0;
  // Shows the message of a non-zero code.
  virtual void ReportResult(varnalux::ResultCode code) = 0;
  // Whether the selected link can read the printer's answers (the parallel
  // port cannot).
  virtual bool LinkReads() const = 0;
};

// The window is disabled while the scope lives and enabled again on every
// path out of the handler. One expression runs one operation:
// PrinterOperation(host).Run(op, data, extra).
class PrinterOperation {
 public:
  explicit PrinterOperation(OperationHost& host) : host_(host) { host_.BeginOperation(); }
  ~PrinterOperation() { host_.EndOperation(); }
  PrinterOperation(const PrinterOperation&) = delete;
  PrinterOperation& operator=(const PrinterOperation&) = delete;

  // Runs an operation and shows the message of a non-zero code.
  varnalux::ResultCode Run(varnalux::OperationCode op, void* data, int32_t extra) {
    const varnalux::ResultCode code = host_.Run(op, data, extra);
    host_.ReportResult(code);
    return code;
  }
  // Runs an operation without a message, for a handler that says its own
  // (or nothing); Report shows the usual one when it wants it.
  varnalux::ResultCode RunQuiet(varnalux::OperationCode op, void* data, int32_t extra) {
    return host_.Run(op, data, extra);
  }
  varnalux::ResultCode SendFile(varnalux::InputFile& file, varnalux::StreamReport& report) {
    return host_.RunFileSend(file, report);
  }
  void Report(varnalux::ResultCode code) { host_.ReportResult(code); }

 private:
  OperationHost& host_;
};

}  // namespace varnalux
