// What a link's close tells the progress window while it waits for the
// printer: the window's messages are handled at every look, as between the
// chunks of a write, every look says how much the printer still has to take
// (the bar follows it), and once the wait has lasted CloseWaitNoticeAfter
// the window says so in words.
#pragma once

#include <cstdint>

#include "base/deadline.h"
#include "link/link_progress.h"

namespace varnalux {

class CloseWaitProgress {
 public:
  // progress may be null: the wait then goes untold.
  explicit CloseWaitProgress(LinkProgress* progress)
      : progress_(progress), quiet_(CloseWaitNoticeAfter) {}
  // A note that was shown is taken back.
  ~CloseWaitProgress() {
    if (toldKiB_ != 0) progress_->WaitingForPrinter(0);
  }
  CloseWaitProgress(const CloseWaitProgress&) = delete;
  CloseWaitProgress& operator=(const CloseWaitProgress&) = delete;

  // One look during the wait, with the bytes the printer has still to take.
  // The note hears of the figure only when its KiB change.
  void Look(uint64_t bytesLeft) {
    if (progress_ == nullptr) return;
    progress_->StillHeld(bytesLeft);
    const uint64_t kib = (bytesLeft + 1023) / 1024;
    if (kib != 0 && kib != toldKiB_ && quiet_.Passed()) {
      progress_->WaitingForPrinter(bytesLeft);
      toldKiB_ = kib;
    }
    progress_->PumpMessages();
  }
  // The printer has taken every written byte.
  void Emptied() {
    if (progress_ != nullptr) progress_->StillHeld(0);
  }

 private:
  LinkProgress* progress_;
  Deadline quiet_;
  uint64_t toldKiB_ = 0;
};

}  // namespace varnalux
