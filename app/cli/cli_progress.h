// A progress bar on standard error for long transfers (download, firmware,
// send): the bytes the printer has taken, the total and the rate at which it
// took them, redrawn in place. When the total is not known (standard input)
// there is no bar and no percentage, only the bytes taken so far and the
// rate. It is shown only when standard error is a terminal, so scripts and
// logs get nothing from it. What a long close waits for goes on a line of
// its own below the bar, which goes on following the printer above it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "operations/progress.h"

namespace varnalux {

// The line drawn for a position (0..100) with taken of total bytes after
// seconds; the rate is taken / seconds. Written into out (at least 96
// bytes); for the terminal view and tests.
void FormatTransferLine(char* out, size_t size, int position, uint64_t taken, uint64_t total,
                        double seconds);
// The line for a send of unknown size: bytes taken so far and the rate.
void FormatStreamLine(char* out, size_t size, uint64_t taken, double seconds);

inline constexpr uint64_t UnknownTotal = UINT64_MAX;

// Where the bar reads the time (for the rate); tests give their own.
using ProgressClock = std::function<std::chrono::steady_clock::time_point()>;

class TerminalTransferProgress : public ProgressView {
 public:
  // Installs itself as the progress view when stream is a terminal (or
  // force is set), for the lifetime of the object. totalBytes may be
  // UnknownTotal; the line then follows the bytes taken alone.
  TerminalTransferProgress(uint64_t totalBytes, FILE* stream = stderr, bool force = false,
                           ProgressClock clock = std::chrono::steady_clock::now);
  ~TerminalTransferProgress() override;
  TerminalTransferProgress(const TerminalTransferProgress&) = delete;
  TerminalTransferProgress& operator=(const TerminalTransferProgress&) = delete;

  bool Shown() const { return installed_; }

  void Open(int left, int top, const char* caption) override;
  void SetPosition(int position) override;
  void Close() override;
  void ProcessPendingMessages() override {}
  void SetNote(const char* text) override;
  void SetTaken(uint64_t bytes) override;
  void Finished(bool succeeded) override;

 private:
  // The line for the figures now, drawn where the bar's line is.
  void Draw();
  void Put(const char* line);

  // The line below the bar: not begun, showing a note, or emptied again.
  enum class NoteLine { None, Shown, Emptied };

  uint64_t total_;
  FILE* stream_;
  ProgressClock clock_;
  bool installed_ = false;
  LinkProgress* previousObserver_ = nullptr;
  bool open_ = false;
  bool sawOpening_ = false;  // the first position after Open is the bar's start step
  bool ended_ = false;       // Finished() was told: the figures' time is the end's
  int position_ = 0;
  uint64_t taken_ = 0;
  bool stale_ = false;  // figures changed since the last draw
  NoteLine note_ = NoteLine::None;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace varnalux
