// Everything one virtual printer knows, shared by all its transports. One
// mutex guards it all; the interpreter takes it for each command, the
// public calls for each access.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sim/config_store.h"
#include "sim/memory_store.h"
#include "sim/network_settings.h"
#include "sim/printer_clock.h"
#include "sim/virtual_printer.h"

namespace varnalux::sim {

// Bounds of what is kept for inspection; what goes beyond is dropped.
inline constexpr size_t ReceivedKeptMax = 64u << 20;
inline constexpr size_t CommandsKeptMax = 100000;

struct PrinterCore {
  explicit PrinterCore(const PrinterOptions& opts);

  // Appends to the received bytes (and the record file); takes the lock.
  void Record(const uint8_t* data, size_t count);
  // The following expect the lock to be held.
  void NoteCommand(const std::string& text);
  void NoteIgnored(const std::string& text);

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
  int recordFd = -1;

  std::vector<std::string> commands;  // recognised, in order
  std::vector<std::string> ignored;   // lines not understood
  std::string previousLine;           // the command line before the current one
  std::string lastLabelProgram;
  std::string dumpText;
  int labelsPrinted = 0;
  int selfTests = 0;
  int resets = 0;
  int calibrations = 0;
  bool ignoreAutoBas = false;
  size_t connections = 0;
};

}  // namespace varnalux::sim
