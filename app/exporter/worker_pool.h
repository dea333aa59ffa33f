// The threads that serve the exporter's connections: a fixed number of
// workers taking accepted connections in order. Each worker notes when the
// connection it took was accepted, so that the time a request waited in the
// queue counts against its own bounds.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace varnalux {

class WorkerPool : public httplib::TaskQueue {
 public:
  explicit WorkerPool(size_t threads);
  ~WorkerPool() override;
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void enqueue(std::function<void()> job) override;
  // Lets the queued jobs finish, then ends the workers.
  void shutdown() override;

 private:
  struct Job {
    std::function<void()> run;
    std::chrono::steady_clock::time_point accepted;
  };
  void Work();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// When the connection the calling worker serves was accepted; the first call
// during a job gives that time, later ones (another request on the same
// connection) the time of the call.
std::chrono::steady_clock::time_point TakeArrival();

}  // namespace varnalux
