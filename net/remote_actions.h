// The actions of the discovery window, free of any toolkit: a discovery run,
// a factory default and a change of a printer's settings by its MAC. One
// RemoteSession stands for one opening of the window: its sequence number
// starts at 1 and grows by one after each completed action. Each action
// opens its own socket and closes it before returning.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "net/printer_rows.h"
#include "net/udp_channel.h"
#include "net/udp_options.h"
#include "net/udp_protocol.h"

namespace varnalux::net {

// What the two reads of a change brought back.
struct SettingsRead {
  bool addressAnswered = false;
  bool modeAnswered = false;
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

  // Broadcast request, answers until a silence, multicast request with the
  // same number, answers until a silence. Rows keep arrival order. False
  // (rows untouched) when no socket could be had.
  bool Discover(std::vector<PrinterRow>& rows);

  // One factory-default request to the printer with this MAC; no answer is
  // awaited. False when no socket could be had; sent tells whether the
  // request left.
  bool FactoryDefault(const Mac& mac, bool& sent);

  // Reads the address settings and the address mode, hands them to edit
  // (which returns false to cancel) and sends the four writes: name,
  // address, mode, closing request. `settings` comes in with what to assume
  // for values that are not read (the name, typically) and holds what was
  // read when edit is called.
  using Editor = std::function<bool(const SettingsRead& read, SettingsEdit& edit)>;
  ChangeOutcome ChangeSettings(const Mac& mac, const RemoteSettings& assumed, const Editor& edit);

 private:
  UdpOptions options_;
  uint32_t sequence_ = 1;
};

}  // namespace varnalux::net
