// How long the calling thread has waited for a processor so far, as the
// kernel counts it (/proc/thread-self/schedstat, second field). Tests that
// measure how long the program went without doing something take this off
// each stretch: time a busy machine kept the thread from running is not the
// program's. Zero when the kernel does not keep the count.
#pragma once

#include <chrono>
#include <fstream>

namespace varnalux::testing {

inline std::chrono::nanoseconds WaitedForProcessor() {
  std::ifstream stat("/proc/thread-self/schedstat");
  long long running = 0;
  long long waiting = 0;
  if (!(stat >> running >> waiting)) return std::chrono::nanoseconds(0);
  return std::chrono::nanoseconds(waiting);
}

}  // namespace varnalux::testing
