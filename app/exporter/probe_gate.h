// At most a given number of probes at once. A request that finds every
// slot taken waits for one until its time is up, then goes without.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace varnalux {

class ProbeGate {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProbeGate(int slots) : free_(slots) {}
  ProbeGate(const ProbeGate&) = delete;
  ProbeGate& operator=(const ProbeGate&) = delete;

  // Takes a slot, waiting until `until` at most; false when none came free.
  bool Enter(Clock::time_point until);
  void Leave();

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  int free_;
};

// A slot held for the length of a scope.
class GateSlot {
 public:
  GateSlot(ProbeGate& gate, ProbeGate::Clock::time_point until)
      : gate_(gate), held_(gate.Enter(until)) {}
  ~GateSlot() {
    if (held_) gate_.Leave();
  }
  GateSlot(const GateSlot&) = delete;
  GateSlot& operator=(const GateSlot&) = delete;
  bool Held() const { return held_; }

 private:
  ProbeGate& gate_;
  bool held_;
};

}  // namespace varnalux
