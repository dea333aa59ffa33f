// The widget tests need one QApplication for the whole run; without a
// display they use the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The port names map to built-in devices unless a test says otherwise.
  qputenv("VARNALUX_PORTS_FILE", "/nonexistent/varnalux-ports.conf");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
