// The exporter's HTTP side on cpp-httplib: binds the listening address,
// prints "listening ADDR:PORT" on standard output, and hands every request
// to the service on a worker of a fixed pool until SIGINT or SIGTERM.
#pragma once

#include "app/exporter/exporter_options.h"
#include "app/exporter/exporter_service.h"

namespace varnalux {

// Workers beyond the probe slots: they answer /metrics and the quick
// refusals while every slot is busy, and wait for a slot in the queue.
inline constexpr int SpareWorkers = 32;
// Pending connections the kernel keeps before the exporter takes them.
inline constexpr int ListenBacklog = 1024;
// How long a connection may take to send its request, and to take the answer.
inline constexpr std::chrono::seconds RequestReadTimeout{5};
inline constexpr std::chrono::seconds AnswerWriteTimeout{5};

// 0 after a signal ended it; 1 when the address cannot be served.
int ServeHttp(const ExporterOptions& options, ExporterService& service);

}  // namespace varnalux
