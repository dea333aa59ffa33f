// A virtual label printer: the far end of the integration tests, and a way to
// try the tool (or train on it) without hardware. It speaks the printer's
// command language over TCP and over a pseudo-terminal, keeps the state that
// the tool reads and sets, records every byte it receives, and can be told
// to misbehave.
//
// Lengths are kept in whole dots: millimetres at dpi / 25.4 rounded to a
// whole number of dots per millimetre (8 at 203 dpi, 12 at 300, 24 at 600),
// inches at dpi. A dump (DUMP_TEXT) is printer-wide: it outlives the
// connection that started it and keeps what later connections send until
// its byte limit, a LOAD "name" line (which is then executed) or EndDump.
//
// Thread-safe: the transports run on their own threads; every public call
// may be made from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/network_settings.h"
#include "sim/printer_options.h"
#include "sim/udp_responder.h"

namespace varnalux::sim {

// Memory devices, as the tool numbers them.
inline constexpr int MemoryDram = 0;
inline constexpr int MemoryFlash = 1;
inline constexpr int MemoryCard = 2;

class ListenerHub;

class VirtualPrinter {
 public:
  explicit VirtualPrinter(const PrinterOptions& options = {});
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  // Listens on address:port (port 0 picks a free one); false on failure.
  // With a hub (which must outlive Stop), the hub waits for connections
  // instead of a thread of the printer's own.
  bool StartTcp(const std::string& address, uint16_t port, ListenerHub* hub = nullptr);
  uint16_t TcpPort() const;
  // Opens a pseudo-terminal and serves its master end; returns the slave
  // path ("" on failure). With linkPath, a symbolic link to the slave is
  // made there (and removed by Stop).
  std::string StartPty(const std::string& linkPath = "");
  void Stop();

  // Status byte answered to ESC ! ?.
  void SetStatusByte(uint8_t status);
  uint8_t StatusByte() const;

  void SetFault(Fault fault);
  Fault CurrentFault() const;

  // Slave path of the pseudo-terminal ("" while none is served).
  std::string PtyPath() const;

  // Every byte received on any transport, in order of arrival.
  std::vector<uint8_t> Received() const;
  std::string ReceivedText() const;  // the same as text
  void ClearReceived();
  // Waits until at least count bytes have been received in all; false after
  // timeoutMs.
  bool WaitForReceived(size_t count, int timeoutMs) const;
  // Waits until no byte has arrived for quietMs, counted from the later of
  // this call and the last byte received; false when that has not happened
  // within timeoutMs.
  bool WaitForIdle(int quietMs, int timeoutMs) const;

  // The framed answer payload for a DIAGNOSTIC REPORT key, as the printer
  // would give it now; empty optional-like: found=false for unknown keys.
  // For a file list key, the names, each followed by CR LF.
  std::string ReportValue(const std::string& key, bool& found) const;
  // Overrides the answer of a key (for answers outside the tool's tables);
  // Forget makes the printer not know the key at all (no answer).
  void OverrideReport(const std::string& key, const std::string& payload);
  void ForgetReport(const std::string& key);
  // Undoes both: the key is answered as the printer's state gives it.
  void RestoreReport(const std::string& key);

  // Last label program received (CLS ... PRINT), the text of the running
  // or last dump, and the printer's files, for tests and the control
  // channel.
  std::string LastLabelProgram() const;
  std::string DumpTextKept() const;
  bool DumpRunning() const;
  // Ends a running dump as its limit would (saved, or counted as a printed
  // label); false when none runs.
  bool EndDump();
  // PutFile stores into FLASH; PutFileOn into the given device.
  void PutFile(const std::string& name, const std::string& bytes);
  bool PutFileOn(int device, const std::string& name, const std::string& bytes);
  // Looks in DRAM, FLASH and CARD in turn.
  bool GetFile(const std::string& name, std::string& bytes) const;
  std::vector<std::string> FileNames(int device) const;
  bool GetFileOn(int device, const std::string& name, std::string& bytes) const;
  int FreeKb(int device) const;
  // Leaves no free space on the device (see MemoryStore::Fill).
  bool FillDevice(int device);

  // Recognised commands in order of arrival: command lines without their
  // line end (trimmed), escape sequences as "ESC ! ?", "ESC ! R", ...,
  // DOWNLOAD and DUMP_TEXT headers up to their final comma. Lines the
  // printer did not understand are kept apart.
  std::vector<std::string> Commands() const;
  std::vector<std::string> IgnoredLines() const;
  void ClearCommands();
  // Waits until a recognised command equal to text is in Commands().
  bool WaitForCommand(const std::string& text, int timeoutMs) const;

  // Runs one command line as if it had been received (not recorded as
  // received bytes, and not taken by a running dump); gives the answers it
  // produced, concatenated.
  std::string Execute(const std::string& line);

  // The clock; two-digit years are not taken here: year has four digits.
  void SetClock(int year, int month, int date, int hour, int minute, int second);

  // Counters of the printer functions.
  int LabelsPrinted() const;
  int SelfTests() const;
  int Resets() const;
  int Calibrations() const;
  bool IgnoreAutoBasSeen() const;
  size_t ConnectionCount() const;

  // Appends every received byte to the file too; false if it cannot be
  // opened. An empty path stops it.
  bool SetRecordFile(const std::string& path);

  // The UDP discovery and network-setting protocol (off unless started);
  // false when the socket cannot be bound or the group not joined.
  bool StartUdp(const UdpServeOptions& options);
  // The same protocol without a socket of its own: a socket that serves
  // several printers passes each datagram to AnswerUdp, which gives this
  // printer's answer (empty: none, also before AnswerUdpFor).
  void AnswerUdpFor(const UdpServeOptions& options);
  std::vector<uint8_t> AnswerUdp(const uint8_t* data, size_t size);
  uint16_t UdpPort() const;
  // Every datagram received on it, in order.
  std::vector<std::vector<uint8_t>> UdpReceived() const;
  // The printer's network settings, as the link and the UDP side see them.
  NetworkSettings Network() const;
  void SetNetwork(const NetworkSettings& settings);

  // A line-oriented control channel on TCP (see ControlHelp()).
  bool StartControl(const std::string& address, uint16_t port, ListenerHub* hub = nullptr);
  uint16_t ControlPort() const;
  // Runs one control command; its reply ends in a line "OK" or "ERROR ...".
  std::string Control(const std::string& line);
  static const char* ControlHelp();

  struct State;  // defined in the implementation

 private:
  std::unique_ptr<State> state_;
};

}  // namespace varnalux::sim
