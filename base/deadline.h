// A point in time a wait must not pass, and what is left until then.
#pragma once

#include <chrono>
#include <climits>

namespace varnalux {

class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Deadline(std::chrono::milliseconds span) : at_(Clock::now() + span) {}

  std::chrono::milliseconds Left() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(at_ - Clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
  }
  // What is left in whole milliseconds for poll(), at most cap.
  int LeftMs(std::chrono::milliseconds cap = std::chrono::milliseconds(INT_MAX)) const {
    auto left = Left();
    return static_cast<int>(left < cap ? left.count() : cap.count());
  }
  bool Passed() const { return Clock::now() >= at_; }

 private:
  Clock::time_point at_;
};

}  // namespace varnalux
