// Everything one virtual printer knows, shared by all its transports. One
// mutex guards it all; the interpreter takes it for each command, the
// public calls for each access.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sim/command_parse.h"
#include "sim/config_store.h"
#include "sim/memory_store.h"
#include "sim/network_settings.h"
#include "sim/printer_clock.h"
#include "sim/printer_options.h"

namespace varnalux::sim {

// Bounds of what is kept for inspection; what goes beyond is dropped.
inline constexpr size_t ReceivedKeptMax = 64u << 20;
inline constexpr size_t CommandsKeptMax = 100000;
inline constexpr size_t DumpKeptMax = 1u << 20;  // dump text beyond this is dropped

// The dump started by a DUMP_TEXT header. It belongs to the printer, not to
// the connection that started it: the bytes of every later connection go
// into it until it ends (byte limit, a LOAD line, or the control channel).
struct DumpState {
  bool active = false;
  DumpHeader header;
  std::string text;     // the bytes kept, at most DumpKeptMax
  size_t taken = 0;     // bytes counted against the limit
  unsigned serial = 0;  // counts the dumps started
};

struct PrinterCore {
  explicit PrinterCore(const PrinterOptions& opts);

  // Appends to the received bytes (and the record file); takes the lock.
  void Record(const uint8_t* data, size_t count);
  // The following expect the lock to be held.
  void NoteCommand(const std::string& text);
  void NoteIgnored(const std::string& text);
  // A new dump (a running one ends first).
  void StartDump(const DumpHeader& header);
  // Adds bytes to the running dump, as many as its limit allows; gives the
  // count taken. Reaching the limit ends the dump.
  size_t TakeDumpBytes(const char* data, size_t count);
  // Ends the running dump: saved as its file, or counted as a printed
  // label. False when no dump is running.
  bool EndDump();

  mutable std::mutex mu;
  mutable std::condition_variable receivedChanged;

  PrinterOptions options;
  ConfigStore config;
  NetworkSettings net;
  PrinterClock clock;
  MemoryStore memory;

  std::map<std::string, std::string> overrides;  // key -> payload
  std::set<std::string> forgotten;

  uint8_t status = 0;
  Fault fault = Fault::None;

  std::vector<uint8_t> received;
  size_t receivedDropped = 0;  // beyond ReceivedKeptMax since the last clear
  std::chrono::steady_clock::time_point lastReceivedAt{};  // of the latest byte
  int recordFd = -1;

  std::vector<std::string> commands;  // recognised, in order
  std::vector<std::string> ignored;   // lines not understood
  std::string previousLine;           // the command line before the current one
  std::string lastLabelProgram;
  DumpState dump;
  // dump.active, readable without the lock (a cheap test for every byte).
  std::atomic<bool> dumpActive{false};
  int labelsPrinted = 0;
  int selfTests = 0;
  int resets = 0;
  int calibrations = 0;
  bool ignoreAutoBas = false;
  size_t connections = 0;
};

}  // namespace varnalux::sim
