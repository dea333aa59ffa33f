// The public face of the virtual printer: thin calls into the shared state
// and the transports.
#include "sim/virtual_printer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "sim/command_parse.h"
#include "sim/line_commands.h"
#include "sim/report_answers.h"
#include "sim/virtual_printer_state.h"

namespace varnalux::sim {

namespace {
struct FaultNameEntry {
  Fault fault;
  const char* name;
};
const FaultNameEntry FaultNames[] = {
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::Malformed, "malformed"},
    {Fault::SplitAnswers, "split"},
    {Fault::DropMidAnswer, "drop-mid"},
    {Fault::DropOnReceive, "drop-on-receive"},
    {Fault::Reset, "reset"},
};
}  // namespace

bool FaultFromName(const std::string& name, Fault& fault) {
  std::string n = Trim(name);
  for (char& c : n) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (const FaultNameEntry& e : FaultNames)
    if (n == e.name) {
      fault = e.fault;
      return true;
    }
  return false;
}

const char* FaultName(Fault fault) {
  for (const FaultNameEntry& e : FaultNames)
    if (e.fault == fault) return e.name;
  return "none";
}

VirtualPrinter::VirtualPrinter(const PrinterOptions& options)
    : state_(std::make_unique<State>(options)) {
  state_->core.memory.cardPresent = options.hasCard;
}

VirtualPrinter::~VirtualPrinter() {
  Stop();
  SetRecordFile("");
}

bool VirtualPrinter::StartTcp(const std::string& address, uint16_t port, ListenerHub* hub) {
  return state_->tcp.Start(address, port, hub);
}

uint16_t VirtualPrinter::TcpPort() const { return state_->tcp.Port(); }

std::string VirtualPrinter::StartPty(const std::string& linkPath) {
  return state_->pty.Start(linkPath);
}

std::string VirtualPrinter::PtyPath() const { return state_->pty.SlavePath(); }

void VirtualPrinter::Stop() {
  if (state_->control) state_->control->Stop();
  state_->tcp.Stop();
  state_->pty.Stop();
  if (state_->udp) state_->udp->Stop();
}

void VirtualPrinter::SetStatusByte(uint8_t status) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  state_->core.status = status;
}

uint8_t VirtualPrinter::StatusByte() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.status;
}

void VirtualPrinter::SetFault(Fault fault) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  state_->core.fault = fault;
}

Fault VirtualPrinter::CurrentFault() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.fault;
}

std::vector<uint8_t> VirtualPrinter::Received() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.received;
}

std::string VirtualPrinter::ReceivedText() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return std::string(state_->core.received.begin(), state_->core.received.end());
}

void VirtualPrinter::ClearReceived() {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  state_->core.received.clear();
  state_->core.receivedDropped = 0;
}

bool VirtualPrinter::WaitForReceived(size_t count, int timeoutMs) const {
  PrinterCore& core = state_->core;
  std::unique_lock<std::mutex> lock(core.mu);
  return core.receivedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return core.received.size() + core.receivedDropped >= count;
  });
}

bool VirtualPrinter::WaitForIdle(int quietMs, int timeoutMs) const {
  using Clock = std::chrono::steady_clock;
  PrinterCore& core = state_->core;
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
  const std::chrono::milliseconds quiet(quietMs);
  std::unique_lock<std::mutex> lock(core.mu);
  for (;;) {
    // Every byte moves the end of the quiet period; Record wakes this wait.
    const Clock::time_point until = std::max(start, core.lastReceivedAt) + quiet;
    const Clock::time_point now = Clock::now();
    if (now >= until) return true;
    if (now >= deadline) return false;
    core.receivedChanged.wait_until(lock, std::min(until, deadline));
  }
}

std::string VirtualPrinter::ReportValue(const std::string& key, bool& found) const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  std::vector<std::string> payloads;
  found = ResolveReport(state_->core, Upper(key), payloads);
  if (!found) return {};
  if (payloads.size() == 1) return payloads[0];
  // A list: each entry followed by CR LF, the closing empty answer left out.
  std::string list;
  for (const std::string& p : payloads)
    if (!p.empty()) list += p + "\r\n";
  return list;
}

void VirtualPrinter::OverrideReport(const std::string& key, const std::string& payload) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  std::string k = Upper(key);
  state_->core.forgotten.erase(k);
  state_->core.overrides[k] = payload;
}

void VirtualPrinter::ForgetReport(const std::string& key) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  std::string k = Upper(key);
  state_->core.overrides.erase(k);
  state_->core.forgotten.insert(k);
}

void VirtualPrinter::RestoreReport(const std::string& key) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  std::string k = Upper(key);
  state_->core.overrides.erase(k);
  state_->core.forgotten.erase(k);
}

std::string VirtualPrinter::LastLabelProgram() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.lastLabelProgram;
}

std::string VirtualPrinter::DumpTextKept() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.dump.text;
}

bool VirtualPrinter::DumpRunning() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.dump.active;
}

bool VirtualPrinter::EndDump() {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.EndDump();
}

void VirtualPrinter::PutFile(const std::string& name, const std::string& bytes) {
  PutFileOn(MemoryFlash, name, bytes);
}

bool VirtualPrinter::PutFileOn(int device, const std::string& name, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.memory.Put(device, name, bytes);
}

bool VirtualPrinter::GetFile(const std::string& name, std::string& bytes) const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.memory.Find(name, bytes);
}

bool VirtualPrinter::GetFileOn(int device, const std::string& name, std::string& bytes) const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.memory.Get(device, name, bytes);
}

int VirtualPrinter::FreeKb(int device) const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.memory.FreeKb(device);
}

bool VirtualPrinter::FillDevice(int device) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.memory.Fill(device);
}

std::vector<std::string> VirtualPrinter::FileNames(int device) const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.memory.Names(device);
}

std::vector<std::string> VirtualPrinter::Commands() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.commands;
}

std::vector<std::string> VirtualPrinter::IgnoredLines() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.ignored;
}

void VirtualPrinter::ClearCommands() {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  state_->core.commands.clear();
  state_->core.ignored.clear();
}

bool VirtualPrinter::WaitForCommand(const std::string& text, int timeoutMs) const {
  PrinterCore& core = state_->core;
  std::unique_lock<std::mutex> lock(core.mu);
  return core.receivedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (const std::string& c : core.commands)
      if (c == text) return true;
    return false;
  });
}

std::string VirtualPrinter::Execute(const std::string& line) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  LabelCapture label;
  std::vector<std::string> answers;
  ExecuteLine(state_->core, label, line, answers);
  std::string out;
  for (const std::string& a : answers) out += a;
  return out;
}

void VirtualPrinter::SetClock(int year, int month, int date, int hour, int minute, int second) {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  state_->core.clock.SetNow(ClockFields{year, month, date, hour, minute, second});
}

int VirtualPrinter::LabelsPrinted() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.labelsPrinted;
}

int VirtualPrinter::SelfTests() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.selfTests;
}

int VirtualPrinter::Resets() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.resets;
}

int VirtualPrinter::Calibrations() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.calibrations;
}

bool VirtualPrinter::IgnoreAutoBasSeen() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.ignoreAutoBas;
}

size_t VirtualPrinter::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(state_->core.mu);
  return state_->core.connections;
}

bool VirtualPrinter::SetRecordFile(const std::string& path) {
  int fd = -1;
  if (!path.empty()) {
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
  }
  std::lock_guard<std::mutex> lock(state_->core.mu);
  if (state_->core.recordFd >= 0) close(state_->core.recordFd);
  state_->core.recordFd = fd;
  return true;
}

bool VirtualPrinter::StartControl(const std::string& address, uint16_t port, ListenerHub* hub) {
  if (!state_->control) state_->control = std::make_unique<ControlChannel>(*this);
  return state_->control->Start(address, port, hub);
}

uint16_t VirtualPrinter::ControlPort() const {
  return state_->control ? state_->control->Port() : 0;
}

}  // namespace varnalux::sim
