// A progress window for tests that measure how the window is kept alive: it
// records when it was told to handle its messages (with how long the thread
// had waited for a processor by then) and what it was told of Cancel, and
// presses Cancel once it was offered when pressCancel is set.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

#include "operations/progress.h"
#include "tests/support/processor_wait.h"

namespace varnalux::testing {

class RecordingProgressView : public ProgressView {
 public:
  using Clock = std::chrono::steady_clock;
  using milliseconds = std::chrono::milliseconds;

  RecordingProgressView() { SetProgressView(this); }
  ~RecordingProgressView() override { SetProgressView(nullptr); }
  void Open(int, int, const char*) override {}
  void SetPosition(int) override {}
  void Close() override {}
  void ProcessPendingMessages() override {
    pumps.push_back(Clock::now());
    waited.push_back(WaitedForProcessor());
  }
  void OfferCancel(bool on) override { offers.push_back(on); }
  bool CancelRequested() override { return pressCancel && !offers.empty() && offers.back(); }

  // The times between two calls to handle messages, longest first, each
  // without the time the thread waited for a processor in it (a busy
  // machine's, not the program's).
  std::vector<milliseconds> GapsLongestFirst() const {
    std::vector<milliseconds> gaps;
    for (size_t i = 1; i < pumps.size(); ++i)
      gaps.push_back(std::chrono::duration_cast<milliseconds>((pumps[i] - pumps[i - 1]) -
                                                              (waited[i] - waited[i - 1])));
    std::sort(gaps.rbegin(), gaps.rend());
    return gaps;
  }

  // The longest stretch from the first call to the last without a call
  // (zero with fewer than two calls).
  milliseconds LongestGap() const {
    const std::vector<milliseconds> gaps = GapsLongestFirst();
    return gaps.empty() ? milliseconds{0} : std::max(milliseconds{0}, gaps.front());
  }

  std::vector<Clock::time_point> pumps;
  std::vector<std::chrono::nanoseconds> waited;
  std::vector<bool> offers;
  bool pressCancel = false;
};

}  // namespace varnalux::testing
