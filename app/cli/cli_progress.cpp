#include "app/cli/cli_progress.h"

#include <unistd.h>

#include "link/link_settings.h"

namespace varnalux {

namespace {

constexpr int BarWidth = 30;

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

void FormatTransferLine(char* out, size_t size, int position, uint64_t total, double seconds) {
  if (position < 0) position = 0;
  if (position > 100) position = 100;
  double sent = static_cast<double>(total) * position / 100.0;
  char bar[BarWidth + 1];
  int filled = position * BarWidth / 100;
  for (int i = 0; i < BarWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[BarWidth] = '\0';
  char done[32], all[32], rate[32];
  Amount(done, sizeof done, sent);
  Amount(all, sizeof all, static_cast<double>(total));
  Amount(rate, sizeof rate, seconds > 0.0 ? sent / seconds : 0.0);
  snprintf(out, size, "[%s] %3d%% %s / %s %s/s", bar, position, done, all, rate);
}

void FormatStreamLine(char* out, size_t size, uint64_t sent, double seconds) {
  char done[32], rate[32];
  Amount(done, sizeof done, static_cast<double>(sent));
  Amount(rate, sizeof rate, seconds > 0.0 ? static_cast<double>(sent) / seconds : 0.0);
  snprintf(out, size, "%s sent %s/s", done, rate);
}

TerminalTransferProgress::TerminalTransferProgress(uint64_t totalBytes, FILE* stream, bool force)
    : total_(totalBytes), stream_(stream) {
  if (force || isatty(fileno(stream_)) == 1) {
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
  last_ = -1;
  sent_ = 0;
  note_ = NoteLine::None;
  start_ = std::chrono::steady_clock::now();
  if (total_ == UnknownTotal)
    DrawSent();
  else
    Draw(0);
}

void TerminalTransferProgress::SetPosition(int position) {
  // Without a total the window runs in step mode: its position is no share.
  if (!open_ || total_ == UnknownTotal) return;
  if (!sawOpening_) {
    sawOpening_ = true;
    return;
  }
  // Once a note is below it, the bar (complete by then) stays as it is.
  if (position != last_ && note_ == NoteLine::None) Draw(position);
}

void TerminalTransferProgress::SetNote(const char* text) {
  if (!open_) return;
  const bool shown = text != nullptr && text[0] != '\0';
  if (!shown && note_ != NoteLine::Shown) return;
  // The first note ends the bar's line; later ones redraw their own.
  if (note_ == NoteLine::None) {
    // The bytes line is complete by now: its last figure before it is left.
    if (total_ == UnknownTotal) DrawSent();
    fputc('\n', stream_);
  }
  fprintf(stream_, "\r%s\x1b[K", shown ? text : "");
  fflush(stream_);
  note_ = shown ? NoteLine::Shown : NoteLine::Emptied;
}

void TerminalTransferProgress::Sent(uint64_t bytes) {
  if (!open_ || total_ != UnknownTotal) return;
  sent_ = bytes;
  // A terminal need not be redrawn for every piece.
  if (std::chrono::steady_clock::now() - lastDraw_ >= std::chrono::milliseconds(100)) DrawSent();
}

void TerminalTransferProgress::Close() {
  if (!open_) return;
  if (total_ == UnknownTotal && note_ == NoteLine::None) DrawSent();
  open_ = false;
  // An emptied note line is where the next output starts.
  if (note_ != NoteLine::Emptied) fputc('\n', stream_);
  fflush(stream_);
}

void TerminalTransferProgress::Draw(int position) {
  last_ = position;
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  char line[160];
  FormatTransferLine(line, sizeof line, position, total_, elapsed.count());
  // Carriage return and clear to the end of the line: redrawn in place.
  fprintf(stream_, "\r%s\x1b[K", line);
  fflush(stream_);
}

void TerminalTransferProgress::DrawSent() {
  lastDraw_ = std::chrono::steady_clock::now();
  std::chrono::duration<double> elapsed = lastDraw_ - start_;
  char line[160];
  FormatStreamLine(line, sizeof line, sent_, elapsed.count());
  fprintf(stream_, "\r%s\x1b[K", line);
  fflush(stream_);
}

}  // namespace varnalux
