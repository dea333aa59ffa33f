// What the links tell the progress window while they write. The window
// belongs to the application layer, which implements this and hands it to
// the links through LinkSettings; without one the links write silently.
#pragma once

#include <chrono>
#include <cstdint>

#include "base/codes.h"

namespace varnalux {

inline constexpr int ProgressStepMode = 0;
inline constexpr int ProgressPercentMode = 1;

// How long a wait at close goes unmentioned: the usual end of a send takes
// less than this, and a note that flashes up for a moment only distracts.
inline constexpr std::chrono::milliseconds CloseWaitNoticeAfter{300};

class LinkProgress {
 public:
  virtual ~LinkProgress() = default;
  // Opens the window in mode (step or percent) at initialStep.
  virtual void Show(int mode, int initialStep, int stepSize) = 0;
  // Closes the window. succeeded: the operation ended with 0, so the bar is
  // shown full; after a failure it stays where the printer stopped.
  virtual void Hide(bool succeeded) = 0;
  // kind 0: a write call started (value ignored); kind 1: the printer has
  // taken value percent of the write (of its whole, for a write in pieces).
  virtual void Tick(int kind, uint32_t value) = 0;
  // Lets the user interface handle its pending messages between chunks.
  virtual void PumpMessages() = 0;
  // The printer has taken bytes of the write now going (of its whole): the
  // bytes handed to the link less those the link still holds (for TCP those
  // not yet acknowledged). Told before every kind-1 tick, and also when the
  // size of the whole is not known.
  virtual void Taken(uint64_t /*bytes*/) {}
  // A close still holds bytesLeft written bytes the printer has not taken;
  // told at every look of its wait, and with 0 once none are left.
  virtual void StillHeld(uint64_t /*bytesLeft*/) {}
  // A close waits for the printer to take the last bytesLeft bytes; told
  // once the wait has lasted CloseWaitNoticeAfter and again as the figure
  // falls, and with 0 when the wait is over.
  virtual void WaitingForPrinter(uint64_t /*bytesLeft*/) {}
  // A long read offers the user a way to stop it: OfferCancel(true) shows
  // the offer, false takes it back; CancelRequested tells whether the user
  // took it since the window opened.
  virtual void OfferCancel(bool /*offered*/) {}
  virtual bool CancelRequested() { return false; }
};

// The percent-mode window for the length of a scope (a long write), when
// there is an observer. The bar is shown full at the end only when Ended()
// was given a result of 0; a scope left without a result counts as failed.
class PercentProgressScope {
 public:
  explicit PercentProgressScope(LinkProgress* progress) : progress_(progress) {
    if (progress_ != nullptr) progress_->Show(ProgressPercentMode, 3, 3);
  }
  ~PercentProgressScope() {
    if (progress_ != nullptr) progress_->Hide(result_ == ResultOk);
  }
  PercentProgressScope(const PercentProgressScope&) = delete;
  PercentProgressScope& operator=(const PercentProgressScope&) = delete;

  // The operation's result, returned unchanged.
  ResultCode Ended(ResultCode result) {
    result_ = result;
    return result;
  }

 private:
  LinkProgress* progress_;
  ResultCode result_ = ResultUnknownError;
};

}  // namespace varnalux
