// The actions of the discovery window, free of any toolkit: a discovery run,
// a factory default and a change of a printer's settings by its MAC. One
// RemoteSession stands for one opening of the window: its sequence number
// starts at 1 and grows by one after each completed action. Each action
// opens its own socket and closes it before returning.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "net/answer_path.h"
#include "net/printer_rows.h"
#include "net/udp_channel.h"
#include "net/udp_options.h"
#include "net/udp_protocol.h"

namespace varnalux::net {

// What the two reads of a change brought back. A read counts as answered
// only when an answer to that very read came and reached the fields it
// carries; an answer too short for them is marked as short and counts as
// no answer.
struct SettingsRead {
  bool addressAnswered = false;
  bool modeAnswered = false;
  bool addressShort = false;
  bool modeShort = false;
};

// What the user (or the command line) made of the settings read: which of
// them are to be written. A change leaves out the write of a setting that
// was neither read nor set, rather than send empty addresses.
struct SettingsEdit {
  RemoteSettings settings;
  bool addressSet = false;  // IP, mask and gateway were set
  bool modeSet = false;     // DHCP or static was chosen
};

enum class ChangeOutcome { NoSocket, Cancelled, Sent };

class RemoteSession {
 public:
  explicit RemoteSession(UdpOptions options);

  uint32_t SequenceNumber() const { return sequence_; }
  const UdpOptions& Options() const { return options_; }

  // Called at least every PumpInterval while an action waits for answers
  // (the window processes its messages there).
  void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }

  // Broadcast request, answers until a silence, multicast request with the
  // same number, answers until a silence; the whole run ends after the
  // options' discoveryMax. Rows keep arrival order and where each answer
  // came from. False (rows untouched) when no socket could be had.
  bool Discover(std::vector<PrinterRow>& rows);

  // One factory-default request to the printer with this MAC, out of the
  // first of `through` (the ways it answered a discovery; every way when
  // empty); no answer is awaited. False when no socket could be had; sent
  // tells whether the request left.
  bool FactoryDefault(const Mac& mac, bool& sent, const std::vector<AnswerPath>& through = {});

  // Reads the address settings and the address mode, hands them to edit
  // (which returns false to cancel) and sends the four writes: name,
  // address, mode, closing request. `settings` comes in with what to assume
  // for values that are not read (the name, typically) and holds what was
  // read when edit is called.
  //
  // The reads go out the ways in `through` (the ways the printer answered a
  // discovery; every way when empty, as for a printer not discovered by
  // this process). The first answer to a read fixes the one way the rest of
  // the change takes, so that a printer reachable through two interfaces
  // of this machine gets every write once; without an answer the writes
  // take the first of `through`.
  using Editor = std::function<bool(const SettingsRead& read, SettingsEdit& edit)>;
  ChangeOutcome ChangeSettings(const Mac& mac, const RemoteSettings& assumed, const Editor& edit,
                               const std::vector<AnswerPath>& through = {});

 private:
  UdpOptions options_;
  std::function<void()> pump_;
  uint32_t sequence_ = 1;
};

}  // namespace varnalux::net
