#include "sim/printer_core.h"

#include <unistd.h>

#include <algorithm>
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
    lastReceivedAt = std::chrono::steady_clock::now();
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

void PrinterCore::StartDump(const DumpHeader& header) {
  EndDump();
  dump.active = true;
  dump.header = header;
  dump.text.clear();
  dump.taken = 0;
  ++dump.serial;
  dumpActive = true;
  // The file is there from the start, empty until the dump ends.
  if (header.save) memory.Put(header.device, header.name, "");
}

size_t PrinterCore::TakeDumpBytes(const char* data, size_t count) {
  if (!dump.active) return 0;
  size_t take = count;
  size_t limit = dump.header.limit > 0 ? static_cast<size_t>(dump.header.limit) : 0;
  if (limit > 0) take = std::min(take, limit - std::min(dump.taken, limit));
  dump.taken += take;
  size_t room = DumpKeptMax - std::min(dump.text.size(), DumpKeptMax);
  dump.text.append(data, std::min(take, room));
  if (limit > 0 && dump.taken >= limit) EndDump();
  return take;
}

bool PrinterCore::EndDump() {
  if (!dump.active) return false;
  dump.active = false;
  dumpActive = false;
  if (!dump.header.save)
    ++labelsPrinted;
  else if (!memory.Put(dump.header.device, dump.header.name, dump.text))
    NoteIgnored("dump text not saved: no room");
  receivedChanged.notify_all();
  return true;
}

}  // namespace varnalux::sim
