#include "ui/pages/ethernet_setup_handler.h"

#include <cstring>

#include "ui/dialog_place.h"
#include "ui/dialog_seam.h"
#include "ui/dialogs/form_ethernet_setup.h"
#include "ui/printer_operation.h"

namespace varnalux {

void RunEthernetSetup(OperationHost& operations, DialogPlace& dialogs,
                      varnalux::NetworkSettings& settings) {
  varnalux::NetworkSettings local;
  varnalux::InitNetworkSettings(local);
  if (PrinterOperation(operations).Run(varnalux::OpReadNetConfig, &local, 0) != varnalux::ResultOk)
    return;
  settings.dhcp = local.dhcp;
  std::memcpy(settings.ipAddress, local.ipAddress, sizeof settings.ipAddress);
  std::memcpy(settings.subnetMask, local.subnetMask, sizeof settings.subnetMask);
  std::memcpy(settings.gateway, local.gateway, sizeof settings.gateway);
  std::memcpy(settings.lastUsedIp, local.lastUsedIp, sizeof settings.lastUsedIp);
  std::memcpy(settings.netName, local.netName, sizeof settings.netName);
  std::memcpy(settings.macAddress, local.macAddress, sizeof settings.macAddress);

  {
    TFormEthernetSetup dialog(dialogs.Seam());
    const QPoint origin = dialogs.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), settings);
    dialogs.Seam().Exec(dialog);
  }
  if (settings.confirmed == 0) return;

  local.dhcp = settings.dhcp;
  std::memcpy(local.ipAddress, settings.ipAddress, sizeof local.ipAddress);
  std::memcpy(local.subnetMask, settings.subnetMask, sizeof local.subnetMask);
  std::memcpy(local.gateway, settings.gateway, sizeof local.gateway);
  std::memcpy(local.netName, settings.netName, sizeof local.netName);
  PrinterOperation(operations)
      .Run(settings.action == varnalux::NetActionSetIp ? varnalux::OpSetNetAddress
                                                       : varnalux::OpSetNetName,
           &local, 0);
}

}  // namespace varnalux
