#include "app/exporter/http_server.h"

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <cstdio>
#include <thread>

#include "app/exporter/worker_pool.h"

namespace varnalux {

namespace {

// The server with its listening socket in reach, to widen the backlog the
// library listens with.
class ExporterServer : public httplib::Server {
 public:
  void WidenBacklog() { ::listen(svr_sock_, ListenBacklog); }
};

HttpQuery QueryOf(const httplib::Request& request) {
  HttpQuery query;
  query.arrival = TakeArrival();
  query.method = request.method;
  query.path = request.path;
  for (const auto& [name, value] : request.params) query.params.emplace(name, value);
  if (request.has_header("X-Prometheus-Scrape-Timeout-Seconds"))
    query.scrapeTimeout = request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
  return query;
}

std::string HostForText(const std::string& host) {
  return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

// Waits for SIGINT or SIGTERM (blocked in every thread) and stops the server.
class StopOnSignal {
 public:
  explicit StopOnSignal(httplib::Server& server)
      : thread_([this, &server] {
          int signal = 0;
          sigwait(&signals_, &signal);
          server.stop();
        }) {}
  ~StopOnSignal() {
    // Ends the wait when the server stopped on its own.
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
  }
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  static sigset_t Signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
  }

 private:
  sigset_t signals_ = Signals();
  std::thread thread_;
};

}  // namespace

int ServeHttp(const ExporterOptions& options, ExporterService& service) {
  const sigset_t signals = StopOnSignal::Signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  ExporterServer server;
  const size_t workers = static_cast<size_t>(options.concurrency + SpareWorkers);
  server.new_task_queue = [workers] { return new WorkerPool(workers); };
  server.set_keep_alive_max_count(1);
  server.set_read_timeout(RequestReadTimeout);
  server.set_write_timeout(AnswerWriteTimeout);
  server.set_payload_max_length(0);
  server.set_pre_routing_handler(
      [&service](const httplib::Request& request, httplib::Response& response) {
        HttpAnswer answer;
        try {
          answer = service.Answer(QueryOf(request));
        } catch (...) {
          // Out of memory, say: this request fails, the server goes on.
          answer = HttpAnswer{500, "text/plain; charset=utf-8", "internal error\n"};
        }
        response.status = answer.status;
        if (answer.status == 405) response.set_header("Allow", "GET");
        response.set_content(answer.body, answer.contentType.c_str());
        return httplib::Server::HandlerResponse::Handled;
      });

  int port = options.listenPort;
  const bool bound = port == 0 ? (port = server.bind_to_any_port(options.listenHost)) > 0
                               : server.bind_to_port(options.listenHost, port);
  if (!bound) {
    fprintf(stderr, "varnalux-exporter: cannot listen on %s:%d\n",
            HostForText(options.listenHost).c_str(), options.listenPort);
    return 1;
  }
  server.WidenBacklog();
  printf("listening %s:%d\n", HostForText(options.listenHost).c_str(), port);
  fflush(stdout);
  StopOnSignal stopper(server);
  server.listen_after_bind();
  return 0;
}

}  // namespace varnalux
