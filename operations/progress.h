// The progress window's state machine, shared by the dispatcher and, through
// ProgressObserver(), the link layer. The window itself belongs to the user
// interface, which installs a ProgressView; without one (command-line tool,
// tests) only the state moves.
#pragma once

#include <cstdint>
#include <string>

#include "link/link_progress.h"

namespace varnalux {

inline constexpr int ProgressHideDelayMs = 200;

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void Open(int left, int top, const char* caption) = 0;
  virtual void SetPosition(int position) = 0;  // 0..100
  virtual void Close() = 0;
  // Lets the user interface handle its pending messages (repaint, clock).
  virtual void ProcessPendingMessages() = 0;
  // A line under the bar saying what the operation waits for; empty text
  // takes it away. Views without a place for it ignore it.
  virtual void SetNote(const char* /*text*/) {}
  // A Cancel button for a long read: shown or taken away; CancelRequested
  // tells whether it was pressed since the window opened. Views without one
  // never cancel.
  virtual void OfferCancel(bool /*offered*/) {}
  virtual bool CancelRequested() { return false; }
  // The bytes the printer has taken of the write the window follows (its
  // whole, for a write in pieces). Views that show only the bar ignore it.
  virtual void SetTaken(uint64_t /*bytes*/) {}
  // The operation has ended (succeeded: with 0), before the window's closing
  // pause: views that show a rate take their last figures now, so that the
  // pause does not count and a send that stood still shows the rate it
  // came to. Views that show only the bar ignore it.
  virtual void Finished(bool /*succeeded*/) {}
};

// Installs the view (null removes it). Not owned.
void SetProgressView(ProgressView* view);

void SetProgressOrigin(int x, int y);
void ShowProgress(int mode, int initialStep, int stepSize);
// Opens the window at the given place with its own caption (font generator).
void ShowProgressAt(int left, int top, const char* caption, int mode, int initialStep,
                    int stepSize);
// kind 0: a write call started (value ignored); kind 1: the printer has
// taken value percent of the write.
void ProgressTick(int kind, uint32_t value);
// While the window is shown: the printer has taken bytes of the write.
void ProgressTaken(uint64_t bytes);
// Waits a moment and closes the window. succeeded: the operation ended with
// 0, and the bar is set full first; after a failure it stays where it was,
// so that a failure never looks like a finished job.
void HideProgress(bool succeeded);
void ProcessPendingMessages();
// While the window is shown: says that the link waits for the printer to
// take the last bytesLeft bytes (0 takes the note away).
void ShowWaitingForPrinter(uint64_t bytesLeft);
// "Waiting for the printer to take the last N KiB", N rounded up.
std::string WaitingForPrinterText(uint64_t bytesLeft);
// While the window is shown: offers Cancel (or takes the offer back).
void OfferProgressCancel(bool offered);
// True when the window is shown and its Cancel was pressed.
bool ProgressCancelRequested();

// The bar position (0..100) as last set; for the command-line tool and tests.
int ProgressPosition();
bool ProgressActive();

// The calls above as the links' observer; hand it to BindLinkSettings.
LinkProgress& ProgressObserver();

}  // namespace varnalux
