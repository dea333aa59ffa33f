// What a page or dialog of the main window may use of the window that owns
// it: the selected link, the handler protocol around an operation, the dialog
// seam, where dialogs go, and the records the pages share. Pages depend on
// this interface, never on the main window itself.
#pragma once

#include <QPoint>
#include <cstdint>

#include "link/link_settings.h"
#include "protocol/codes.h"
#include "protocol/input_file.h"
#include "protocol/printer_config.h"
#include "protocol/report_exchange.h"
#include "protocol/stream_send.h"

class DialogSeam;
class QFont;
class QWidget;

class PageHost {
 public:
  virtual ~PageHost() = default;

  // The item index of the interface list: the link operations run on.
  virtual varnalux::InterfaceKind CurrentKind() const = 0;

  // Handler protocol: disables the window and puts the progress origin at
  // DialogOrigin(); EndOperation enables the window and brings it to the
  // front. Prefer HandlerScope (below) to calling these by hand.
  virtual void BeginOperation() = 0;
  virtual void EndOperation() = 0;
  // BeginOperation, RunOperation on CurrentKind(), ReportResult,
  // EndOperation; returns the operation's code.
  virtual varnalux::ResultCode RunHandled(varnalux::OperationCode op, void* data,
                                          int32_t extra) = 0;
  // RunOperation on CurrentKind() with no window handling and no message
  // (for use inside a HandlerScope).
  virtual varnalux::ResultCode Run(varnalux::OperationCode op, void* data, int32_t extra) = 0;
  // The raw send of an opened file on CurrentKind(), piece by piece as it is
  // read (RunFileSend), with no window handling and no message.
  virtual varnalux::ResultCode RunFileSend(varnalux::InputFile& file,
                                           varnalux::StreamReport& report) = 0;
  // Shows the message of a non-zero code through the seam.
  virtual void ReportResult(varnalux::ResultCode code) = 0;

  virtual DialogSeam& Seam() = 0;
  // Left + Width/3, Top + Height/3 of the window frame (integer division).
  virtual QPoint DialogOrigin() const = 0;
  // The window that message boxes and dialogs of the pages belong to.
  virtual QWidget* HostWindow() = 0;

  // Shows a status record on the window's status indicators.
  virtual void ShowPrinterStatus(const varnalux::PrinterStatus& status) = 0;

  // Records shared by the pages, owned by the window for the whole run.
  virtual varnalux::PrinterStatus& Status() = 0;
  virtual varnalux::PrinterConfig& Config() = 0;
  virtual varnalux::SerialSettings& Serial() = 0;
  virtual varnalux::TcpTarget& Tcp() = 0;
  // The font the window's font dialog opens on: the last font chosen in it
  // from any page.
  virtual QFont& DialogFont() = 0;

  // The progress window for a long job of a page that is not a printer
  // operation (making a font): opened at left, top with its own caption in
  // percent mode, moved to percent (0..100), closed again (shown full first
  // only when the job succeeded). PumpMessages lets the window repaint and
  // the clock run while the job goes on.
  virtual void ShowJobProgress(int left, int top, const char* caption) = 0;
  virtual void JobProgress(int percent) = 0;
  virtual void HideJobProgress(bool succeeded) = 0;
  virtual void PumpMessages() = 0;
};

// The handler protocol as a scope: the window is disabled while the scope
// lives and enabled again on every path out of the handler.
class HandlerScope {
 public:
  explicit HandlerScope(PageHost& host) : host_(host) { host_.BeginOperation(); }
  ~HandlerScope() { host_.EndOperation(); }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

  // Runs an operation on the host's current link and shows its message.
  varnalux::ResultCode RunReported(varnalux::OperationCode op, void* data, int32_t extra) {
    varnalux::ResultCode code = host_.Run(op, data, extra);
    host_.ReportResult(code);
    return code;
  }

 private:
  PageHost& host_;
};
