// The exporter's own counters, served on /metrics. Updated from every
// worker thread; read when /metrics is asked.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace varnalux {

// The request errors counted, by the HTTP status answered.
enum class RequestError { BadRequest, NotFound, MethodNotAllowed, Overloaded };
inline constexpr int RequestErrorKinds = 4;

class ExporterCounters {
 public:
  explicit ExporterCounters(double startSeconds) : startSeconds_(startSeconds) {}

  void ProbeDone(bool up) {
    (up ? probesUp_ : probesDown_).fetch_add(1, std::memory_order_relaxed);
  }
  void TargetRefused() { refused_.fetch_add(1, std::memory_order_relaxed); }
  void Error(RequestError kind) {
    errors_[static_cast<int>(kind)].fetch_add(1, std::memory_order_relaxed);
  }
  void ProbeStarted() { inFlight_.fetch_add(1, std::memory_order_relaxed); }
  void ProbeEnded() { inFlight_.fetch_sub(1, std::memory_order_relaxed); }

  // The exposition text of every counter.
  std::string Text() const;

 private:
  double startSeconds_;
  std::atomic<uint64_t> probesUp_{0};
  std::atomic<uint64_t> probesDown_{0};
  std::atomic<uint64_t> refused_{0};
  std::atomic<int64_t> inFlight_{0};
  std::atomic<uint64_t> errors_[RequestErrorKinds] = {};
};

}  // namespace varnalux
