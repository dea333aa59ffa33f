#include "sim/printer_core.h"

#include <unistd.h>

#include <cerrno>

namespace varnalux::sim {

namespace {
int ValidDpi(int dpi) { return dpi >= 100 && dpi <= 1200 ? dpi : 203; }
}  // namespace

PrinterCore::PrinterCore(const PrinterOptions& opts)
    : options(opts), config(ValidDpi(opts.dpi)), status(opts.statusByte) {
  options.dpi = config.Dpi();
}

void PrinterCore::Record(const uint8_t* data, size_t count) {
  if (count == 0) return;
  {
    std::lock_guard<std::mutex> lock(mu);
    size_t room = received.size() < ReceivedKeptMax ? ReceivedKeptMax - received.size() : 0;
    size_t kept = count < room ? count : room;
    received.insert(received.end(), data, data + kept);
    receivedDropped += count - kept;
    if (recordFd >= 0) {
      size_t done = 0;
      while (done < count) {
        ssize_t n = write(recordFd, data + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
    }
  }
  receivedChanged.notify_all();
}

void PrinterCore::NoteCommand(const std::string& text) {
  if (commands.size() < CommandsKeptMax) commands.push_back(text);
  receivedChanged.notify_all();
}

void PrinterCore::NoteIgnored(const std::string& text) {
  if (ignored.size() < CommandsKeptMax) ignored.push_back(text.substr(0, 256));
}

}  // namespace varnalux::sim
