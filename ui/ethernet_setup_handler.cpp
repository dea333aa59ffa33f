#include "ui/ethernet_setup_handler.h"

#include <cstring>

#include "ui/dialog_seam.h"
#include "ui/form_ethernet_setup.h"
#include "ui/page_host.h"

void RunEthernetSetup(PageHost& host, varnalux::NetworkSettings& settings) {
  varnalux::NetworkSettings local;
  varnalux::InitNetworkSettings(local);
  {
    HandlerScope scope(host);
    if (scope.RunReported(varnalux::OpReadNetConfig, &local, 0) != varnalux::ResultOk) return;
  }
  settings.dhcp = local.dhcp;
  std::memcpy(settings.ipAddress, local.ipAddress, sizeof settings.ipAddress);
  std::memcpy(settings.subnetMask, local.subnetMask, sizeof settings.subnetMask);
  std::memcpy(settings.gateway, local.gateway, sizeof settings.gateway);
  std::memcpy(settings.lastUsedIp, local.lastUsedIp, sizeof settings.lastUsedIp);
  std::memcpy(settings.netName, local.netName, sizeof settings.netName);
  std::memcpy(settings.macAddress, local.macAddress, sizeof settings.macAddress);

  {
    TFormEthernetSetup dialog(host.Seam());
    const QPoint origin = host.DialogOrigin();
    dialog.Prepare(origin.x(), origin.y(), settings);
    host.Seam().Exec(dialog);
  }
  if (settings.confirmed == 0) return;

  local.dhcp = settings.dhcp;
  std::memcpy(local.ipAddress, settings.ipAddress, sizeof local.ipAddress);
  std::memcpy(local.subnetMask, settings.subnetMask, sizeof local.subnetMask);
  std::memcpy(local.gateway, settings.gateway, sizeof local.gateway);
  std::memcpy(local.netName, settings.netName, sizeof local.netName);
  host.RunHandled(settings.action == varnalux::NetActionSetIp ? varnalux::OpSetNetAddress
                                                              : varnalux::OpSetNetName,
                  &local, 0);
}
