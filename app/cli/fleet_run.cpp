#include "app/cli/fleet_run.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "app/cli/cli_output.h"
#include "link/port_names.h"

namespace varnalux {

namespace {

// No link of any kind: an open fails at once without touching a device.
constexpr InterfaceKind NoLinkKind = -1;

// A stream into memory, for one printer's output.
class MemoryStream {
 public:
  MemoryStream() : file_(open_memstream(&data_, &size_)) {}
  ~MemoryStream() {
    Close();
    free(data_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  FILE* File() const { return file_; }
  std::string Take() {
    Close();
    return data_ != nullptr ? std::string(data_, size_) : std::string();
  }

 private:
  void Close() {
    if (file_ != nullptr) fclose(file_);
    file_ = nullptr;
  }
  char* data_ = nullptr;
  size_t size_ = 0;
  FILE* file_;
};

// The device file a port name reaches, links followed when it exists.
std::string DevicePath(const char* portName) {
  const std::string device = ResolvePortDevice(portName);
  char real[PATH_MAX];
  if (!device.empty() && realpath(device.c_str(), real) != nullptr) return real;
  return device.empty() ? portName : device;
}

// Serves lanes until none is left.
void ServeLanes(const std::vector<ListedPrinter>& printers,
                const std::vector<std::vector<size_t>>& lanes, std::atomic<size_t>& next,
                const CliCommand& command, const CliArgs& args, std::mutex& lock,
                const FinishedPrinter& finished) {
  for (size_t lane = next++; lane < lanes.size(); lane = next++) {
    for (size_t index : lanes[lane]) {
      const PrinterOutcome outcome = RunForPrinter(printers[index], command, args);
      std::lock_guard<std::mutex> hold(lock);
      finished(index, outcome);
    }
  }
}

}  // namespace

CliArgs WithPrinterName(const CliArgs& args, const std::string& name) {
  constexpr std::string_view Placeholder = "{name}";
  CliArgs out;
  for (std::string a : args) {
    for (size_t at = a.find(Placeholder); at != std::string::npos;
         at = a.find(Placeholder, at + name.size()))
      a.replace(at, Placeholder.size(), name);
    out.push_back(std::move(a));
  }
  return out;
}

std::string DeviceKey(const CliLink& link) {
  switch (link.kind) {
    case KindUsb: return "usb";
    case KindCom: return "device " + DevicePath(link.serial.portName);
    case KindLpt: return "device " + DevicePath(link.parallel);
    default: return "";
  }
}

std::vector<std::vector<size_t>> FleetLanes(const std::vector<ListedPrinter>& printers) {
  std::vector<std::vector<size_t>> lanes;
  std::map<std::string, size_t> laneOfDevice;
  for (size_t i = 0; i < printers.size(); ++i) {
    const std::string key = DeviceKey(printers[i].settings);
    if (key.empty()) {
      lanes.push_back({i});
      continue;
    }
    auto [it, added] = laneOfDevice.emplace(key, lanes.size());
    if (added) lanes.emplace_back();
    lanes[it->second].push_back(i);
  }
  return lanes;
}

PrinterOutcome RunForPrinter(const ListedPrinter& printer, const CliCommand& command,
                             const CliArgs& args) {
  const auto start = std::chrono::steady_clock::now();
  PrinterOutcome outcome;
  CliLink link = printer.settings;
  MemoryStream out, err;
  if (out.File() == nullptr || err.File() == nullptr) {
    outcome.code = ResultUnknownError;
    outcome.err = "varnalux-cli: no memory for the printer's output\n";
    return outcome;
  }
  BindLinkSettings(link.serial, link.parallel, link.tcp);
  BindCliOutput(out.File(), err.File());
  try {
    outcome.code = command.run(link, WithPrinterName(args, printer.name));
  } catch (...) {
    outcome.code = ReportCliResult(ResultUnknownError);
  }
  BindCliOutput(nullptr, nullptr);
  UnbindLinkSettings();
  outcome.out = out.Take();
  outcome.err = err.Take();
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

int TryArguments(const CliCommand& command, const CliArgs& args, const std::string& name,
                 std::string& err) {
  // Standard input is read once, by the printer it goes to.
  for (const std::string& a : args)
    if (a == "-") return 0;
  ListedPrinter none;
  none.name = name;
  none.settings.kind = NoLinkKind;
  const PrinterOutcome outcome = RunForPrinter(none, command, args);
  if (outcome.code != ExitUsage) return 0;
  err = outcome.err;
  return ExitUsage;
}

void RunFleet(const std::vector<ListedPrinter>& printers, const CliCommand& command,
              const CliArgs& args, int jobs, const FinishedPrinter& finished) {
  const std::vector<std::vector<size_t>> lanes = FleetLanes(printers);
  std::atomic<size_t> next{0};
  std::mutex lock;
  std::vector<std::thread> workers;
  const size_t wanted = std::min(lanes.size(), static_cast<size_t>(std::max(jobs, 1)));
  for (size_t i = 0; i < wanted; ++i) {
    try {
      workers.emplace_back(ServeLanes, std::cref(printers), std::cref(lanes), std::ref(next),
                           std::cref(command), std::cref(args), std::ref(lock),
                           std::cref(finished));
    } catch (const std::system_error&) {
      break;  // the system gives no more threads: the ones running serve every lane
    }
  }
  // Without a single worker, the calling thread serves them all.
  if (workers.empty()) ServeLanes(printers, lanes, next, command, args, lock, finished);
  for (std::thread& w : workers) w.join();
}

}  // namespace varnalux
