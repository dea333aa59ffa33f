// A progress bar on standard error for long transfers (download, firmware,
// send): bytes sent, total and rate, redrawn in place. It is shown only when
// standard error is a terminal, so scripts and logs get nothing from it.
// What a long close waits for goes on a line of its own below the bar.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "app/progress.h"

namespace varnalux {

// The line drawn for a position (0..100) of total bytes after seconds.
// Written into out (at least 96 bytes); for the terminal view and tests.
void FormatTransferLine(char* out, size_t size, int position, uint64_t total, double seconds);

class TerminalTransferProgress : public ProgressView {
 public:
  // Installs itself as the progress view when stream is a terminal (or
  // force is set), for the lifetime of the object.
  TerminalTransferProgress(uint64_t totalBytes, FILE* stream = stderr, bool force = false);
  ~TerminalTransferProgress() override;
  TerminalTransferProgress(const TerminalTransferProgress&) = delete;
  TerminalTransferProgress& operator=(const TerminalTransferProgress&) = delete;

  bool Shown() const { return installed_; }

  void Open(int left, int top, const char* caption) override;
  void SetPosition(int position) override;
  void Close() override;
  void ProcessPendingMessages() override {}
  void SetNote(const char* text) override;

 private:
  void Draw(int position);

  // The line below the bar: not begun, showing a note, or emptied again.
  enum class NoteLine { None, Shown, Emptied };

  uint64_t total_;
  FILE* stream_;
  bool installed_ = false;
  LinkProgress* previousObserver_ = nullptr;
  bool open_ = false;
  bool sawOpening_ = false;  // the first position after Open is the bar's start step
  int last_ = -1;
  NoteLine note_ = NoteLine::None;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace varnalux
