// The widget tests need one QApplication for the whole run; without a
// display they use the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/gui/silent_udp_port.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The port names map to built-in devices unless a test says otherwise.
  qputenv("VARNALUX_PORTS_FILE", "/nonexistent/varnalux-ports.conf");
  // Opening the TCP/IP dialog discovers printers: here it only ever reaches
  // a loopback port that takes datagrams and never answers, unless a test
  // points it at virtual printers.
  SilentUdpPort silent;
  if (!silent.Bound()) return 1;
  qputenv("VARNALUX_DISCOVERY_TO", silent.Destination().toLatin1());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
