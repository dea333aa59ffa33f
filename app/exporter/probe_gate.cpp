#include "app/exporter/probe_gate.h"

namespace varnalux {

bool ProbeGate::Enter(Clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!freed_.wait_until(lock, until, [this] { return free_ > 0; })) return false;
  --free_;
  return true;
}

void ProbeGate::Leave() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++free_;
  }
  freed_.notify_one();
}

}  // namespace varnalux
