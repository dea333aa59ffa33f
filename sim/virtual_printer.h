// A virtual label printer: the far end of the integration tests, and a way to
// try the tool (or train on it) without hardware. It speaks the printer's
// command language over TCP and over a pseudo-terminal, keeps the state that
// the tool reads and sets, records every byte it receives, and can be told
// to misbehave.
//
// Thread-safe: the transports run on their own threads; every public call
// may be made from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnalux::sim {

// Ways to misbehave, for testing how the tool copes.
enum class Fault {
  None,
  Silent,         // take every byte, answer nothing
  Malformed,      // framed answers with a wrong length field
  SplitAnswers,   // every answer written in small pieces with pauses
  DropMidAnswer,  // close the connection halfway through the next answer
  DropOnReceive,  // close the connection as soon as any byte arrives
};

struct PrinterOptions {
  int dpi = 203;                // 203, 300 or 600
  bool knowsReprint = true;     // older models answer no REPRINT ...
  bool knowsShiftX = true;      // ... or no SHIFTX / SHIFTXBASE
  uint8_t statusByte = 0x00;    // answer to ESC ! ?
};

class VirtualPrinter {
 public:
  explicit VirtualPrinter(const PrinterOptions& options = {});
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter&) = delete;
  VirtualPrinter& operator=(const VirtualPrinter&) = delete;

  // Listens on address:port (port 0 picks a free one); false on failure.
  bool StartTcp(const std::string& address, uint16_t port);
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

  // Every byte received on any transport, in order of arrival.
  std::vector<uint8_t> Received() const;
  std::string ReceivedText() const;  // the same as text
  void ClearReceived();
  // Waits until at least count bytes have been received in all; false after
  // timeoutMs.
  bool WaitForReceived(size_t count, int timeoutMs) const;

  // The framed answer payload for a DIAGNOSTIC REPORT key, as the printer
  // would give it now; empty optional-like: found=false for unknown keys.
  std::string ReportValue(const std::string& key, bool& found) const;
  // Overrides the answer of a key (for answers outside the tool's tables);
  // Forget makes the printer not know the key at all (no answer).
  void OverrideReport(const std::string& key, const std::string& payload);
  void ForgetReport(const std::string& key);

  // Last label program received (CLS ... PRINT), the dump text, and the
  // printer's files, for tests and the control channel.
  std::string LastLabelProgram() const;
  std::string DumpTextKept() const;
  void PutFile(const std::string& name, const std::string& bytes);

  struct State;  // defined in the implementation

 private:
  std::unique_ptr<State> state_;
};

}  // namespace varnalux::sim
