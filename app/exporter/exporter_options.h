// The exporter's command line.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/exporter/allow_list.h"

namespace varnalux {

using Seconds = std::chrono::duration<double>;

inline constexpr char DefaultListenHost[] = "127.0.0.1";
inline constexpr int DefaultListenPort = 9377;
inline constexpr int DefaultConcurrency = 64;
inline constexpr int ConcurrencyMax = 4096;
// Under Prometheus's default scrape time-out of 10 s.
inline constexpr Seconds DefaultProbeTimeout{8.0};
inline constexpr Seconds ProbeTimeoutMin{0.1};
inline constexpr Seconds ProbeTimeoutMax{300.0};
// How long a request may wait for a free probe slot before it is answered 503.
inline constexpr Seconds DefaultQueueWait{2.0};
inline constexpr Seconds QueueWaitMax{60.0};

struct ExporterOptions {
  std::string listenHost = DefaultListenHost;  // without brackets
  int listenPort = DefaultListenPort;          // 0: the system picks one
  int concurrency = DefaultConcurrency;
  Seconds probeTimeout = DefaultProbeTimeout;
  Seconds queueWait = DefaultQueueWait;
  AllowList allow;  // loopback only when no --allow was given
  bool allowLocalPorts = false;
  std::string baselinePath;  // empty: no drift metric
};

enum class OptionsOutcome { Run, Help, Version, Bad };

// Parses the arguments after the program's name. Bad with a one-line reason
// in error.
OptionsOutcome ParseExporterOptions(const std::vector<std::string>& args, ExporterOptions& options,
                                    std::string& error);

// "ADDR:PORT" with a bracketed IPv6 address ("[::1]:9377"); the port may be
// 0. False when the text is not such an address.
bool ParseListenAddress(const std::string& text, std::string& host, int& port);

extern const char ExporterUsage[];

}  // namespace varnalux
