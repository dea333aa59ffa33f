#include "app/cli/cli_progress.h"

#include <unistd.h>

#include <utility>

#include "app/cli/cli_output.h"
#include "link/link_settings.h"

namespace varnalux {

namespace {

constexpr int BarWidth = 30;
// The figures change with every chunk; the terminal is redrawn at most this
// often for them (and this often while they stand still, as the rate falls).
constexpr std::chrono::milliseconds RedrawEvery{100};

// 1536 -> "1.5 KB"; plain bytes below 1 KB.
void Amount(char* out, size_t size, double bytes) {
  static const char* const units[] = {"B", "KB", "MB", "GB"};
  int unit = 0;
  while (bytes >= 1024.0 && unit < 3) {
    bytes /= 1024.0;
    ++unit;
  }
  if (unit == 0)
    snprintf(out, size, "%.0f %s", bytes, units[unit]);
  else
    snprintf(out, size, "%.1f %s", bytes, units[unit]);
}

}  // namespace

void FormatTransferLine(char* out, size_t size, int position, uint64_t taken, uint64_t total,
                        double seconds) {
  if (position < 0) position = 0;
  if (position > 100) position = 100;
  if (taken > total) taken = total;
  char bar[BarWidth + 1];
  int filled = position * BarWidth / 100;
  for (int i = 0; i < BarWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[BarWidth] = '\0';
  char done[32], all[32], rate[32];
  Amount(done, sizeof done, static_cast<double>(taken));
  Amount(all, sizeof all, static_cast<double>(total));
  Amount(rate, sizeof rate, seconds > 0.0 ? static_cast<double>(taken) / seconds : 0.0);
  snprintf(out, size, "[%s] %3d%% %s / %s %s/s", bar, position, done, all, rate);
}

void FormatStreamLine(char* out, size_t size, uint64_t taken, double seconds) {
  char done[32], rate[32];
  Amount(done, sizeof done, static_cast<double>(taken));
  Amount(rate, sizeof rate, seconds > 0.0 ? static_cast<double>(taken) / seconds : 0.0);
  snprintf(out, size, "%s sent %s/s", done, rate);
}

TerminalTransferProgress::TerminalTransferProgress(uint64_t totalBytes, FILE* stream, bool force,
                                                   ProgressClock clock)
    : total_(totalBytes), stream_(stream), clock_(std::move(clock)) {
  // A thread that writes to buffers of its own (one printer of a list) has
  // no terminal to draw on, and the progress view is the process's one.
  if (force || (CliAttended() && isatty(fileno(stream_)) == 1)) {
    // The links report their writes to the progress state only while a bar
    // is drawn; otherwise the tool writes without an observer.
    SetProgressView(this);
    previousObserver_ = CurrentLinkSettings().observer;
    CurrentLinkSettings().observer = &ProgressObserver();
    installed_ = true;
  }
}

TerminalTransferProgress::~TerminalTransferProgress() {
  if (open_) Close();
  if (installed_) {
    CurrentLinkSettings().observer = previousObserver_;
    SetProgressView(nullptr);
  }
}

void TerminalTransferProgress::Open(int, int, const char*) {
  open_ = true;
  sawOpening_ = false;
  ended_ = false;
  position_ = 0;
  taken_ = 0;
  note_ = NoteLine::None;
  start_ = clock_();
  Draw();
}

void TerminalTransferProgress::SetPosition(int position) {
  // Without a total the window runs in step mode: its position is no share.
  if (!open_ || total_ == UnknownTotal) return;
  if (!sawOpening_) {
    sawOpening_ = true;
    return;
  }
  if (position == position_) return;
  position_ = position;
  Draw();
}

void TerminalTransferProgress::SetTaken(uint64_t bytes) {
  if (!open_) return;
  if (bytes != taken_) {
    taken_ = bytes;
    stale_ = true;
  }
  if (clock_() - lastDraw_ >= RedrawEvery) Draw();
}

void TerminalTransferProgress::SetNote(const char* text) {
  if (!open_) return;
  const bool shown = text != nullptr && text[0] != '\0';
  if (!shown && note_ != NoteLine::Shown) return;
  // The first note ends the bar's line, with its latest figures; later ones
  // redraw their own.
  if (note_ == NoteLine::None) {
    if (stale_) Draw();
    fputc('\n', stream_);
  }
  fprintf(stream_, "\r%s\x1b[K", shown ? text : "");
  fflush(stream_);
  note_ = shown ? NoteLine::Shown : NoteLine::Emptied;
}

void TerminalTransferProgress::Finished(bool succeeded) {
  if (!open_) return;
  // The line is left with the figures at the end: after a failure, what the
  // printer had taken and the rate over the whole send, which fell while the
  // printer stood still (a blocked write tells nothing meanwhile).
  if (stale_ || !succeeded) Draw();
  ended_ = true;
}

void TerminalTransferProgress::Close() {
  if (!open_) return;
  // Figures told after the end, if any.
  if (stale_) Draw();
  open_ = false;
  // An emptied note line is where the next output starts.
  if (note_ != NoteLine::Emptied) fputc('\n', stream_);
  fflush(stream_);
}

void TerminalTransferProgress::Draw() {
  // After the end, the time stands still at it: the window's closing pause
  // is no part of the send.
  if (!ended_) lastDraw_ = clock_();
  stale_ = false;
  std::chrono::duration<double> elapsed = lastDraw_ - start_;
  char line[160];
  if (total_ == UnknownTotal)
    FormatStreamLine(line, sizeof line, taken_, elapsed.count());
  else  // full only once the printer took every byte (or the send succeeded)
    FormatTransferLine(line, sizeof line, position_, position_ == 100 ? total_ : taken_, total_,
                       elapsed.count());
  Put(line);
}

void TerminalTransferProgress::Put(const char* line) {
  // Carriage return and clear to the end of the line: redrawn in place. With
  // a note below, the bar's line is the one above, and the cursor goes back
  // to the start of the note's line afterwards.
  if (note_ == NoteLine::None)
    fprintf(stream_, "\r%s\x1b[K", line);
  else
    fprintf(stream_, "\x1b[A\r%s\x1b[K\x1b[B\r", line);
  fflush(stream_);
}

}  // namespace varnalux
