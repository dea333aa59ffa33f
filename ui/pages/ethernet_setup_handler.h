// The "Ethernet Setup" button: reads the printer's network settings through
// the selected link, shows them in the Ethernet Setup dialog, and sends what
// the user confirmed (the addresses or the name). Cancel sends nothing.
#pragma once

#include "protocol/network_settings.h"

namespace varnalux {

class DialogPlace;
class OperationHost;

// settings is the window's record for the run: it receives what was read
// and what the dialog handed back. A failed read is reported and opens no
// dialog. The link is opened at most twice: for the read and for one write.
void RunEthernetSetup(OperationHost& operations, DialogPlace& dialogs,
                      varnalux::NetworkSettings& settings);

}  // namespace varnalux
