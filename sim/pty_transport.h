// The printer's serial end: a pseudo-terminal whose master this printer
// serves. The tool opens and closes the slave for every operation. This end
// keeps a slave descriptor of its own, so the master never hangs up, and
// watches the slave node for opens and closes (inotify): the time between
// the first open and the last close is one "connection", like one TCP
// connection.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/fd_io.h"
#include "sim/printer_core.h"
#include "sim/session.h"

namespace varnalux::sim {

class PtyTransport {
 public:
  explicit PtyTransport(PrinterCore& core);
  ~PtyTransport();
  PtyTransport(const PtyTransport&) = delete;
  PtyTransport& operator=(const PtyTransport&) = delete;

  // Returns the slave path, "" on failure. A link is made at linkPath
  // (replacing an existing symbolic link there) after the master is served.
  std::string Start(const std::string& linkPath);
  std::string SlavePath() const { return slavePath_; }
  void Stop();

 private:
  void Run();
  // Reads what the master holds and feeds it; waitMs for late bytes.
  void Drain(int waitMs);
  bool EventsPending() const;
  void TakeBytes(const uint8_t* data, size_t count);
  void EndConnection(bool stopping);
  // Handles pending open/close events of the slave.
  void TakeEvents();

  PrinterCore& core_;
  WakePipe wake_;
  std::atomic<bool> stopping_{false};
  int master_ = -1;
  int ownSlave_ = -1;
  int watch_ = -1;  // inotify descriptor, -1 without
  int openCount_ = 0;
  bool dropped_ = false;  // input is thrown away until the slave is closed
  std::unique_ptr<AnswerSink> sink_;
  std::unique_ptr<Session> session_;
  std::string slavePath_;
  std::string linkPath_;
  std::thread thread_;
};

}  // namespace varnalux::sim
