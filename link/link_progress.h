// What the links tell the progress window while they write. The window
// belongs to the application layer, which implements this and hands it to
// the links through LinkSettings; without one the links write silently.
#pragma once

#include <chrono>
#include <cstdint>

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
  virtual void Hide() = 0;
  // kind 0: a write call started (value ignored); kind 1: value percent written.
  virtual void Tick(int kind, uint32_t value) = 0;
  // Lets the user interface handle its pending messages between chunks.
  virtual void PumpMessages() = 0;
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
// there is an observer.
class PercentProgressScope {
 public:
  explicit PercentProgressScope(LinkProgress* progress) : progress_(progress) {
    if (progress_ != nullptr) progress_->Show(ProgressPercentMode, 3, 3);
  }
  ~PercentProgressScope() {
    if (progress_ != nullptr) progress_->Hide();
  }
  PercentProgressScope(const PercentProgressScope&) = delete;
  PercentProgressScope& operator=(const PercentProgressScope&) = delete;

 private:
  LinkProgress* progress_;
};

}  // namespace varnalux
