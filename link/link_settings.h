// The run-wide parameters of the links. The main window (or the command-line
// tool) owns the three records; LinkSettings refers to them, so a setup dialog
// that edits a record changes the next open without further steps.
#pragma once

#include <cstdint>

#include "link/link_progress.h"
#include "link/link_timeouts.h"
#include "link/open_failure.h"

namespace varnalux {

struct SerialSettings {
  char portName[24];         // "COM1" .. "COM30", or a device path
  int32_t baudIndex;         // 0 2400 .. 6 115200; anything else 9600
  int32_t dataBitsIndex;     // 0 = 7 bits, anything else 8
  int32_t parityIndex;       // 0 none, 1 odd, 2 even; anything else none
  int32_t stopBitsIndex;     // 0 = 1, 1 = 1.5, 2 = 2; anything else 1
  int32_t hwHandshakeIndex;  // 0 None, 1 RTS, 2 RTS/CTS; anything else as 2
  int32_t swHandshakeIndex;  // 0 none, 1 Xon/Xoff; anything else none
};

struct TcpTarget {
  char host[64];  // dotted IPv4 address, IPv6 address (brackets allowed) or host name
  int32_t port;
};

inline constexpr int ParallelNameSize = 256;

// The three records of a run, kept together by their owner (the main
// window's owner); LinkSettings refers to them once they are bound.
struct LinkRecords {
  SerialSettings serial{};
  char parallelName[ParallelNameSize] = {};
  TcpTarget tcp{};
};

// Progress window state, driven by the progress window's owner.
struct ProgressState {
  int32_t originX = 100;
  int32_t originY = 100;
  bool active = false;
  int32_t mode = 0;  // 0 step mode, 1 percent mode
  int32_t initialStep = 0;
  int32_t stepSize = 0;
  int32_t position = 0;  // the bar, 0..100
};

struct LinkSettings {
  SerialSettings* serial = nullptr;
  char* parallelDeviceName = nullptr;  // ParallelNameSize bytes
  TcpTarget* tcp = nullptr;
  ProgressState progress;
  // Told of every write; null writes silently. Not owned.
  LinkProgress* observer = nullptr;
  LinkTimeouts timeouts;
  // Why the latest open failed; None after a successful one.
  OpenFailure lastOpenFailure = OpenFailure::None;
  InterfaceKind lastOpenKind = KindUsb;
};

// Start values of a run: COM1 9600,N,8,1 RTS; LPT1; empty host, port 9100.
void InitialSerialSettings(SerialSettings& s);
void InitialParallelName(char (&name)[ParallelNameSize]);
void InitialTcpTarget(TcpTarget& t);

// Binds the calling thread's LinkSettings to the caller's records (references,
// not copies). Resets the progress state to origin (100, 100), inactive, the
// time-outs to their defaults and the last open failure. The observer, when
// given, hears of every write.
void BindLinkSettings(SerialSettings& serial, char (&parallel)[ParallelNameSize], TcpTarget& tcp,
                      LinkProgress* observer = nullptr);
// Forgets the records, the observer and any changed time-outs.
void UnbindLinkSettings();

// The calling thread's instance. Its record pointers are null until bound on
// that thread: an operation runs on the thread that bound its records.
LinkSettings& CurrentLinkSettings();

// Bounded copy of a NUL-terminated text into a fixed field (always terminated).
void CopyText(char* field, int fieldSize, const char* text);

}  // namespace varnalux
