#include "app/exporter/worker_pool.h"

#include <optional>

namespace varnalux {

namespace {
// The acceptance time of the connection this worker took, until a request
// on it has read it.
thread_local std::optional<std::chrono::steady_clock::time_point> t_arrival;
}  // namespace

std::chrono::steady_clock::time_point TakeArrival() {
  const auto now = std::chrono::steady_clock::now();
  const auto arrival = t_arrival.value_or(now);
  t_arrival.reset();
  return arrival;
}

WorkerPool::WorkerPool(size_t threads) {
  threads_.reserve(threads);
  for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::enqueue(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(Job{std::move(job), std::chrono::steady_clock::now()});
  }
  ready_.notify_one();
}

void WorkerPool::shutdown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
}

void WorkerPool::Work() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // stopping, and nothing left
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    t_arrival = job.accepted;
    job.run();
    t_arrival.reset();
  }
}

}  // namespace varnalux
